// The update command: the update button's run without a window, on a copy of
// the staged installation against the build's demo mirror, beside another
// holder of the installation's update lock, interrupted by SIGTERM, and
// failing day after day.
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "core/platform/file_io.h"
#include "core/platform/file_lock.h"
#include "core/platform/program_start.h"
#include "core/platform/stored_files.h"
#include "core/records/record_file.h"
#include "core/shell/update_command.h"
#include "core/update/failed_runs.h"
#include "core/update/run_control.h"
#include "core/update/update_state.h"
#include "support/demo_mirror.h"
#include "support/fake_seams.h"
#include "support/loopback_server.h"
#include "support/signed_lists.h"
#include "support/temp_dir.h"
#include "support/transmit_view_double.h"

namespace veltod {
namespace {

namespace fs = std::filesystem;

struct RecordedNotices : UpdateNotices {
    std::vector<std::vector<DayArrival>> arrivals;
    std::vector<std::string> failures;
    void DaysArrived(const std::vector<DayArrival>& days) override { arrivals.push_back(days); }
    void FailingDays(int days, const std::string& last_error) override {
        failures.push_back(std::to_string(days) + ": " + last_error);
    }
};

// What the command printed, and its status.
struct Ran {
    int status = -1;
    std::string printed;
};

Ran RunCommand(UpdateNotices& notices, bool terminal = false) {
    std::FILE* err = std::tmpfile();
    Ran ran;
    ran.status = RunUpdateCommand(notices, err, terminal);
    std::rewind(err);
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, err)) > 0;) ran.printed.append(buffer, n);
    std::fclose(err);
    return ran;
}

void NoEnd() {}

class UpdateCommand : public ::testing::Test {
protected:
    UpdateCommand() {
        TheUpdateState() = UpdateState{};
        TheUpdateSettings().PauseBetweenRoundsMs = 0;
        TheUpdateSettings().MaxMirrorRounds = 2;
        SetProcessEndHook(NoEnd);
    }
    ~UpdateCommand() override {
        SetPackageRunnerPath("");
        SetProcessEndHook(nullptr);
        TheUpdateSettings() = UpdateSettings{};
    }

    test::SeamsGuard seams;
    test::ScratchInstallation installation;
    RecordedNotices notices;
};

// The installation two packages behind the demo mirror, which is also its
// proxy: the probe and every fetch stay on loopback.
TEST_F(UpdateCommand, BringsTheDemoMirrorsDaysWithTheirCountsThenIsUpToDate) {
    const char* stage = std::getenv("VELTOD_STAGE");
    ASSERT_NE(stage, nullptr);
    fs::copy(stage, installation.Root(), fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    SetPackageRunnerPath(installation.Path("bin/veltod-unpack"));
    const test::DemoMirror mirror(stage);
    installation.Write("Recibi/proxy.con", mirror.ConnectionSettings());
    installation.Write("Resources/actualizado.fij", test::DemoMirror::LastAppliedFile(mirror.TwoBehindDay()));
    TheUpdateSettings().ProbeSites = {"http://probe.test/"};

    const Ran first = RunCommand(notices, true);
    EXPECT_EQ(first.status, kExitDaysArrived) << first.printed;
    EXPECT_EQ(installation.Read("Resources/actualizado.fij"), test::DemoMirror::LastAppliedFile(mirror.LastDay()));
    ASSERT_EQ(notices.arrivals.size(), 1u) << first.printed;
    ASSERT_EQ(notices.arrivals[0].size(), 2u);
    EXPECT_EQ(notices.arrivals[0][1].day, mirror.LastDay());
    // Each day's count is what its day files hold now (day files 6 and 7).
    for (size_t i = 0; i < 2; ++i) {
        size_t entries = 0;
        for (const char* kind : {"1", "2", "3"}) {
            RecordTable table;
            if (FileExists(DayFilePath(kind, static_cast<int>(6 + i)))) ReadRecordFile(DayFilePath(kind, 6 + i), table);
            entries += table.RowCount();
        }
        EXPECT_TRUE(notices.arrivals[0][i].counted);
        EXPECT_EQ(notices.arrivals[0][i].entries, entries);
        EXPECT_GT(entries, 0u);
    }
    // On a terminal: the fetches, a bar for the downloads, the outcome.
    EXPECT_NE(first.printed.find("dos/" + mirror.LastDay() + ".gif"), std::string::npos) << first.printed;
    EXPECT_NE(first.printed.find("] 100% "), std::string::npos) << first.printed;
    EXPECT_NE(first.printed.find("UPDATE COMPLETE: 2 new days arrived"), std::string::npos) << first.printed;

    const Ran second = RunCommand(notices);
    EXPECT_EQ(second.status, kExitUpToDate) << second.printed;
    EXPECT_EQ(notices.arrivals.size(), 1u);
    // Off a terminal nothing is printed unless something went wrong.
    EXPECT_EQ(second.printed, "");
}

TEST_F(UpdateCommand, EndsAtOnceWhileAnotherRunHoldsTheInstallation) {
    test::LoopbackServer proxy({});
    installation.Write("Recibi/proxy.con", "127.0.0.1\r\n" + std::to_string(proxy.Port()) + "\r\n\r\ncbChecked\r\n\r\n");
    TheUpdateSettings().ProbeSites = {"http://probe.test/"};
    const std::unique_ptr<FileLock> held = FileLock::TryTake(kUpdateLockFile);
    ASSERT_NE(held, nullptr);

    const Ran ran = RunCommand(notices);
    EXPECT_EQ(ran.status, kExitAlreadyRunning);
    EXPECT_EQ(ran.printed, std::string("veltod: ") + kAlreadyRunningText + "\n");
    EXPECT_EQ(proxy.Connections(), 0);
    EXPECT_TRUE(notices.arrivals.empty());
}

// SIGTERM while the second package is on its way: the run stops as Cancel
// stops it, the first package stays received, no day is recorded.
TEST_F(UpdateCommand, SigtermCancelsTheRunAndKeepsWhatArrived) {
    const std::string day1 = "20261206", day2 = "20261207", day3 = "20261208";
    test::InstallListKey();
    WriteRecordFile("../Resources/actualizado.fij", 1, {{day1}});
    WriteRecordFile("../Recibi/espejos.fij", 1, {{"http://old-mirror.test/"}});
    std::string listing = "2\r\n";
    for (const auto& day : {day1, day2, day3}) listing += day + "\r\n" + day + "\r\n";
    test::LoopbackServer proxy({
        {test::ReadRequest(), test::Send(test::DatedAnswer("Tue, 08 Dec 2026 10:00:00 GMT"))},
        {test::ReadRequest(), test::Send(test::HttpAnswer(test::SignedList("1\r\nhttp://mirror.test/\r\n")))},
        {test::ReadRequest(), test::Send(test::HttpAnswer(test::SignedList(listing)))},
        {test::ReadRequest(), test::Send(test::HttpAnswer("MZP day 3"))},
        {test::ReadRequest(), test::Send("HTTP/1.1 200 OK\r\nContent-Length: 90000\r\n\r\nMZP"), test::Pause(8000)},
    });
    installation.Write("Recibi/proxy.con", "127.0.0.1\r\n" + std::to_string(proxy.Port()) + "\r\n\r\ncbChecked\r\n\r\n");
    TheUpdateSettings().ProbeSites = {"http://probe.test/"};
    std::thread signaller([&proxy] {
        for (int i = 0; i < 400 && proxy.Requests().size() < 5; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        ::kill(::getpid(), SIGTERM);
    });
    const Ran ran = RunCommand(notices);
    signaller.join();

    EXPECT_EQ(ran.status, kExitCancelled) << ran.printed;
    EXPECT_EQ(proxy.Requests().size(), 5u);
    EXPECT_TRUE(FileExists("../Recibi/" + day3 + ".exe"));
    EXPECT_EQ(installation.Read("Resources/actualizado.fij"), "1\r\n" + day1 + "\r\n");
    EXPECT_TRUE(notices.arrivals.empty());
    // The handlers are the process's own again.
    struct sigaction now {};
    ::sigaction(SIGTERM, nullptr, &now);
    EXPECT_EQ(now.sa_handler, SIG_DFL);
}

// Failures are counted by day: a second one on the same day counts once, and
// the third day in a row is told once, with its error; later ones are not.
TEST_F(UpdateCommand, ThreeFailedDaysInARowAreToldOnceWithTheLastError) {
    // A mirror is named but no probe site: the connection fails at once.
    TheUpdateSettings().ProbeSites = {};
    WriteRecordFile(kMirrorListInUseFile, 1, {{"http://127.0.0.1:9/"}});
    TheUpdateSettings().ListKeyFile.clear();
    WriteRecordFile("../Resources/actualizado.fij", 1, {{"20261206"}});
    const std::time_t day = 86400;
    seams.clock.now = 1796000000;
    struct Step {
        int days_later;
        size_t told_after;
    };
    for (const Step& step : {Step{0, 0}, Step{0, 0}, Step{1, 0}, Step{2, 1}, Step{3, 1}}) {
        seams.clock.now = 1796000000 + step.days_later * day;
        const Ran ran = RunCommand(notices);
        EXPECT_EQ(ran.status, kExitFailed);
        EXPECT_EQ(ran.printed, "veltod: the update failed: PLEASE, CHECK YOUR TCP/IP CONNECTION\n");
        EXPECT_EQ(notices.failures.size(), step.told_after) << "day " << step.days_later;
    }
    EXPECT_EQ(notices.failures[0], "3: PLEASE, CHECK YOUR TCP/IP CONNECTION");
    // A run that did not fail starts the count again.
    ForgetFailedRuns();
    EXPECT_EQ(RecordFailedRun("again"), 1);
}

}  // namespace
}  // namespace veltod
