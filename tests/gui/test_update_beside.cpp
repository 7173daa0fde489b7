// The staged program's update command run on a copy of the staged
// installation two packages behind the demo mirror: beside the open
// program, which shows the new day at its next activation; and on a private
// session bus, where a small notification service receives what arrived.
#include <unistd.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QProcess>
#include <QStringList>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "core/platform/file_io.h"
#include "core/platform/stored_files.h"
#include "core/records/record_file.h"
#include "core/records/record_table.h"
#include "support/demo_mirror.h"
#include "support/window_set_fixture.h"
#include "ui/daynews/FormDayNews.h"

namespace veltod {
namespace {

namespace fs = std::filesystem;

const char* Stage() { return std::getenv("VELTOD_STAGE"); }

// The copy of the staged installation, its settings naming the demo mirror.
void PutBehindDemoMirror(const test::ScratchInstallation& copy, const test::DemoMirror& mirror) {
    fs::copy(Stage(), copy.Root(), fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    copy.Write("Recibi/proxy.con", mirror.ConnectionSettings());
    copy.Write("Resources/actualizado.fij", test::DemoMirror::LastAppliedFile(mirror.TwoBehindDay()));
}

// Runs the copy's program with --update, letting events run meanwhile (the
// notification service answers through them); its exit status, or -1 with
// what it said.
int RunUpdateCommand(const test::ScratchInstallation& copy, const QProcessEnvironment& environment) {
    QProcess program;
    program.setProcessEnvironment(environment);
    program.start(QString::fromStdString(copy.Path("bin/VeltoD.exe")), {QStringLiteral("--update")});
    if (!program.waitForStarted(10000)) return -1;
    for (int slice = 0; slice < 1800 && !program.waitForFinished(100); ++slice)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 100);
    if (program.state() != QProcess::NotRunning) {
        program.kill();
        program.waitForFinished(5000);
    }
    const int status = program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1;
    if (status != 0 && status != 3)
        ADD_FAILURE() << "status " << program.exitCode() << " (" << program.errorString().toStdString() << "): "
                      << program.readAllStandardError().toStdString();
    return status;
}

// The entries of day files 6 and 7 (the two newest days), all kinds.
size_t NewestTwoDaysEntries() {
    size_t entries = 0;
    for (int n : {6, 7})
        for (const char* kind : {"1", "2", "3"}) {
            RecordTable table;
            if (FileExists(DayFilePath(kind, n))) ReadRecordFile(DayFilePath(kind, n), table);
            entries += table.RowCount();
        }
    return entries;
}

class BesideTheProgram : public test::WindowSetTest {};

TEST_F(BesideTheProgram, TheOpenDayNewsShowsTheNewDayAtTheNextActivation) {
    ASSERT_NE(Stage(), nullptr);
    const test::DemoMirror mirror(Stage());
    PutBehindDemoMirror(installation, mirror);
    // Today's list as it stood on an older day.
    installation.Write("Resources/today.1cat", ReadWholeFile(DayFilePath("1", 5)));
    Start();
    Main().Image1Click();
    const QString before = windows->FormDayNews->Labels[0]->text();
    ASSERT_FALSE(before.isEmpty());

    // No session bus: no notification, and nothing fails for it.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("unix:path=/nonexistent"));
    ASSERT_EQ(RunUpdateCommand(installation, environment), 0);
    EXPECT_EQ(windows->FormDayNews->Labels[0]->text(), before);

    Main().ShowWindow();
    RecordTable today;
    ReadRecordFile(TodayListPath("1"), today);
    ASSERT_GT(today.RowCount(), 0u);
    const QString newest = windows->FormDayNews->Labels[0]->text();
    EXPECT_NE(newest, before);
    EXPECT_TRUE(newest.startsWith(QString::fromStdString(today.FieldString(0, 0)))) << newest.toStdString();
    EXPECT_TRUE(windows->FormDayNews->isVisible());
    EXPECT_TRUE(seams.dialogs.shown.empty()) << LastError();
}

// org.freedesktop.Notifications as far as the program uses it: it records
// each notification and closes it at once, as a user dismissing it would.
class NotificationService : public QDBusVirtualObject {
public:
    struct Shown {
        QString summary, body;
        QStringList actions;
    };
    std::vector<Shown> shown;

    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        if (message.member() == QStringLiteral("GetCapabilities")) {
            connection.send(message.createReply(QVariant(QStringList{QStringLiteral("body"), QStringLiteral("actions")})));
            return true;
        }
        if (message.member() != QStringLiteral("Notify") || message.arguments().size() != 8) return false;
        const QList<QVariant> arguments = message.arguments();
        shown.push_back({arguments[3].toString(), arguments[4].toString(), arguments[5].toStringList()});
        const uint id = static_cast<uint>(shown.size());
        connection.send(message.createReply(QVariant(id)));
        QDBusMessage closed = QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/Notifications"),
                                                         QStringLiteral("org.freedesktop.Notifications"),
                                                         QStringLiteral("NotificationClosed"));
        closed << id << uint{2};
        connection.send(closed);
        return true;
    }
};

// Runs in a copy of this test program under dbus-run-session, on its bus.
TEST(DesktopNotice, APrivateBusGetsOneNotificationWithTheDaysAndTheirEntries) {
    if (!std::getenv("VELTOD_PRIVATE_BUS")) {
        std::error_code error;
        const fs::path self = fs::read_symlink("/proc/self/exe", error);
        ASSERT_FALSE(error);
        // Qt's offscreen platform as the test's main sets it for itself.
        const std::string command = "VELTOD_PRIVATE_BUS=1 QT_QPA_PLATFORM=offscreen dbus-run-session -- '" + self.string() +
                                    "' --gtest_filter=DesktopNotice.* 2>&1";
        std::string output;
        FILE* run = ::popen(command.c_str(), "r");
        ASSERT_NE(run, nullptr);
        char buffer[4096];
        for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, run)) > 0;) output.append(buffer, n);
        EXPECT_EQ(::pclose(run), 0) << output;
        return;
    }
    ASSERT_NE(Stage(), nullptr);
    QDBusConnection bus = QDBusConnection::sessionBus();
    ASSERT_TRUE(bus.isConnected());
    NotificationService service;
    ASSERT_TRUE(bus.registerVirtualObject(QStringLiteral("/org/freedesktop/Notifications"), &service));
    ASSERT_TRUE(bus.registerService(QStringLiteral("org.freedesktop.Notifications")));
    test::ScratchInstallation copy;
    const test::DemoMirror mirror(Stage());
    PutBehindDemoMirror(copy, mirror);

    ASSERT_EQ(RunUpdateCommand(copy, QProcessEnvironment::systemEnvironment()), 0);
    ASSERT_EQ(service.shown.size(), 1u);
    std::string entries = std::to_string(NewestTwoDaysEntries());
    for (size_t at = entries.size(); at > 3; at -= 3) entries.insert(at - 3, ",");
    EXPECT_EQ(service.shown[0].summary.toStdString(), "2 days arrived: " + entries + " new entries");
    EXPECT_TRUE(service.shown[0].body.contains(QString::fromStdString(mirror.LastDay().substr(0, 4) + "-")));
    // Nobody watches a terminal here: a click on it is offered.
    EXPECT_EQ(service.shown[0].actions, (QStringList{QStringLiteral("default"), QStringLiteral("Show")}));

    // Up to date: status 3, and nothing more to tell.
    EXPECT_EQ(RunUpdateCommand(copy, QProcessEnvironment::systemEnvironment()), 3);
    EXPECT_EQ(service.shown.size(), 1u);
    bus.unregisterService(QStringLiteral("org.freedesktop.Notifications"));
    bus.unregisterObject(QStringLiteral("/org/freedesktop/Notifications"));
}

}  // namespace
}  // namespace veltod
