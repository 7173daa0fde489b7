#include "ui/shell/UpdateCommandMain.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <cstdio>
#include <string>
#include <vector>

#include "core/shell/update_command.h"
#include "core/update/update_state.h"
#include "ui/platform/AnsiText.h"
#include "ui/platform/DesktopNotifications.h"

namespace veltod {
namespace {

// How long a run that showed what arrived waits for a click on it, which
// opens the program on the newest day; a closed notification ends it sooner.
constexpr int kClickWaitMs = 15 * 60 * 1000;

class TDesktopUpdateNotices : public UpdateNotices {
public:
    // Only a run nobody watches in a terminal waits for the click.
    explicit TDesktopUpdateNotices(bool wait_for_click) : wait_for_click_(wait_for_click) {}

    void DaysArrived(const std::vector<DayArrival>& days) override {
        arrival_ = notifications_.Notify(FromAnsi(ArrivalHeadline(days)), FromAnsi(ArrivalSummary(days)),
                                         wait_for_click_);
    }
    void FailingDays(int days, const std::string& last_error) override {
        notifications_.Notify(QStringLiteral("VeltoD could not update for %1 days in a row").arg(days),
                              FromAnsi(last_error), false);
    }

    // After the command: a click starts the program on the newest day.
    void WaitForClick() {
        if (!wait_for_click_ || !notifications_.WaitForClick(arrival_, kClickWaitMs)) return;
        QProcess::startDetached(QCoreApplication::applicationFilePath(), {QString::fromLatin1(kDayNewsArgument)});
    }

private:
    bool wait_for_click_;
    TDesktopNotifications notifications_;
    uint arrival_ = 0;
};

}  // namespace

int UpdateCommandMain(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "Usage: VeltoD.exe [%s]\n", kUpdateArgument);
        return kExitUsage;
    }
    // No display is needed or asked for: a timer runs where none exists.
    QCoreApplication application(argc, argv);
    QDir::setCurrent(QCoreApplication::applicationDirPath());
    TheUpdateSettings().ProbeSites = DefaultProbeSites();
    const bool terminal = ::isatty(STDERR_FILENO) == 1;
    TDesktopUpdateNotices notices(!terminal);
    const int status = RunUpdateCommand(notices, stderr, terminal);
    notices.WaitForClick();
    return status;
}

}  // namespace veltod
