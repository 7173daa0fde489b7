#include "core/shell/update_command.h"

#include <signal.h>

#include <csignal>
#include <memory>

#include "core/platform/errors.h"
#include "core/platform/seams.h"
#include "core/shell/engine_update_swap.h"
#include "core/update/console_view.h"
#include "core/update/failed_runs.h"
#include "core/update/update_lock.h"

namespace veltod {
namespace {

// Set by the signal handler: the one thing a handler may safely do.
volatile std::sig_atomic_t cancel_signal = 0;

void AskCancel(int) { cancel_signal = 1; }

// SIGINT and SIGTERM become a cancel for as long as the command runs. Without
// SA_RESTART, so that a wait on the network returns at once to look.
class CancelSignals {
public:
    CancelSignals() {
        cancel_signal = 0;
        struct sigaction action {};
        action.sa_handler = AskCancel;
        sigemptyset(&action.sa_mask);
        ::sigaction(SIGINT, &action, &old_int_);
        ::sigaction(SIGTERM, &action, &old_term_);
    }
    ~CancelSignals() {
        ::sigaction(SIGINT, &old_int_, nullptr);
        ::sigaction(SIGTERM, &old_term_, nullptr);
    }
    CancelSignals(const CancelSignals&) = delete;
    CancelSignals& operator=(const CancelSignals&) = delete;
    static bool Asked() { return cancel_signal != 0; }

private:
    struct sigaction old_int_ {};
    struct sigaction old_term_ {};
};

// The command's dialogs for as long as it runs.
class SeamsInstalled {
public:
    explicit SeamsInstalled(Dialogs& dialogs) : saved_(CurrentSeams()) { CurrentSeams().dialogs = &dialogs; }
    ~SeamsInstalled() { CurrentSeams() = saved_; }
    SeamsInstalled(const SeamsInstalled&) = delete;
    SeamsInstalled& operator=(const SeamsInstalled&) = delete;

private:
    Seams saved_;
};

int ExitOf(RunEnd end) {
    switch (end) {
        case RunEnd::DaysArrived: return kExitDaysArrived;
        case RunEnd::UpToDate: return kExitUpToDate;
        case RunEnd::AlreadyRunning: return kExitAlreadyRunning;
        case RunEnd::Cancelled: return kExitCancelled;
        case RunEnd::Failed: break;
    }
    return kExitFailed;
}

// The start-up pass and the run; errors end it as Failed with their text.
RunReport UpdateOnce(ConsoleTransmitView& view, HttpClient& client, ConsoleLines& lines) {
    RunReport report;
    try {
        // A start of the program first, as the button's run has after it.
        if (!WithUpdateLock([&view] { StartUpPassBesideSwap(view); })) {
            report.end = RunEnd::AlreadyRunning;
            report.message = kAlreadyRunningText;
            return report;
        }
    } catch (const std::exception& error) {
        // As at a start of the program: told, and the run goes on.
        lines.Line(error.what());
    }
    if (CancelSignals::Asked()) {
        report.end = RunEnd::Cancelled;
        report.message = UpdateCancelled::kUpdateCancelledText;
        return report;
    }
    try {
        report = RunUpdate(view, client);
    } catch (const std::exception& error) {
        report = RunReport{};
        report.message = error.what();
        // A package ended by the same signal fails; the run was cancelled.
        if (CancelSignals::Asked()) report.end = RunEnd::Cancelled;
    }
    return report;
}

void TellDesktop(UpdateNotices& notices, const RunReport& report, ConsoleLines& lines) {
    try {
        if (report.end == RunEnd::DaysArrived || report.end == RunEnd::UpToDate) ForgetFailedRuns();
        if (report.end == RunEnd::Failed) {
            const int days = RecordFailedRun(report.message);
            if (days == kFailedDaysTold) notices.FailingDays(days, report.message);
        }
    } catch (const std::exception& error) {
        lines.Line(error.what());  // the count is lost, the run's outcome is not
    }
    if (report.end == RunEnd::DaysArrived) notices.DaysArrived(report.days);
}

}  // namespace

std::string UpdateExitText(int status) {
    switch (status) {
        case kExitDaysArrived: return "new days arrived";
        case kExitUpToDate: return "up to date";
        case kExitAlreadyRunning: return kAlreadyRunningText;
        case kExitCancelled: return "cancelled; what arrived is kept";
        case kExitUsage: return "unknown command line";
        default: return "the update failed";
    }
}

int RunUpdateCommand(UpdateNotices& notices, std::FILE* err, bool terminal) {
    ConsoleLines lines(terminal ? err : nullptr);
    ConsoleDialogs dialogs(lines);
    SeamsInstalled seams(dialogs);
    CancelSignals signals;
    HttpClient client;
    ConsoleTransmitView view(client, lines, &CancelSignals::Asked);
    client.SetEvents(&view);
    client.SetPump([&view] { view.ProcessMessages(); });
    const RunReport report = UpdateOnce(view, client, lines);
    lines.EndBar();
    const int status = ExitOf(report.end);
    // What went wrong is said also where no terminal shows the progress (a
    // timer's journal); a text a dialog has just printed is not repeated.
    const bool told = terminal && !report.message.empty() && dialogs.LastShown() == report.message;
    if (status == kExitFailed && !told)
        std::fprintf(err, "veltod: %s: %s\n", UpdateExitText(status).c_str(), report.message.c_str());
    else if (terminal || status == kExitAlreadyRunning)
        std::fprintf(err, "veltod: %s\n", UpdateExitText(status).c_str());
    std::fflush(err);
    TellDesktop(notices, report, lines);
    return status;
}

}  // namespace veltod
