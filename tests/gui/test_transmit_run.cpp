// The update run from the main window's update button, through the update
// window's real controls: the proxy settings it loads, its status, progress
// and trace lines, and Cancel during a download. Every peer is a scripted
// loopback server standing as the proxy for the probe site and the mirror.
#include <QApplication>
#include <QPushButton>
#include <QTimer>
#include <map>

#include "core/apply/apply_state.h"
#include "core/apply/package_format.h"
#include "core/platform/errors.h"
#include "core/platform/file_io.h"
#include "core/platform/file_lock.h"
#include "core/platform/program_start.h"
#include "core/records/record_file.h"
#include "core/update/update_run.h"
#include "core/update/update_state.h"
#include "support/loopback_server.h"
#include "support/signed_lists.h"
#include "support/transmit_view_double.h"
#include "support/window_set_fixture.h"
#include "ui/daynews/FormDayNews.h"
#include "ui/update/TransmitForm.h"

namespace veltod {
namespace {

using test::DatedAnswer;
using test::HttpAnswer;
using test::LoopbackServer;
using test::ReadRequest;
using test::Send;

const std::string kDay1 = "20261206", kDay2 = "20261207", kDay3 = "20261208";

std::string Wrapped(const std::string& content) { return test::SignedList(content); }

std::string Listing() {
    std::string bytes = "2\r\n";
    for (const auto& day : {kDay1, kDay2, kDay3}) bytes += day + "\r\n" + day + "\r\n";
    return Wrapped(bytes);
}

struct Starter : ProgramStarter {
    std::vector<std::string> started, runs;
    // What the restarted copy would learn from its parent.
    std::string open_before;
    void Start(const std::string& path) override {
        started.push_back(path);
        open_before = qgetenv("VELTOD_OPEN_BEFORE_UPDATE").toStdString();
    }
    void RunAndWait(const std::string& path, int) override {
        const std::string name = path.substr(path.rfind('/') + 1);
        runs.push_back(name);
        const std::string day = name.substr(0, 8);
        ReplaceFileAtomically(day + ".1cat", "14\r\n" + EncodeRecord({"P" + day, "http://d", "1", "1", "", "", "", "",
                                                                       "3", "5", day.substr(6), "", "", "n"}));
    }
};

struct EndRecord {
    int ends = 0;
    bool day3_package = false;
} ended;

void RecordEnd() {
    if (ended.ends++ == 0) ended.day3_package = FileExists("../Recibi/" + kDay3 + ".exe");
}

class TransmitRun : public test::WindowSetTest {
protected:
    TransmitRun() {
        TheUpdateState() = UpdateState{};
        TheApplyState() = ApplyState{};
        TheUpdateSettings().ProbeSites = {"http://probe.test/"};
        TheUpdateSettings().PauseBetweenRoundsMs = 0;
        TheUpdateSettings().MaxMirrorRounds = 2;
        ended = EndRecord{};
        SetProgramStarter(&starter);
        SetProcessEndHook(RecordEnd);
        test::InstallListKey();
        WriteRecordFile("../Resources/actualizado.fij", 1, {{kDay1}});
        WriteRecordFile("../Resources/Categ.txt", 4, {{"5", "0", "0", "Games"}});
        for (const char* kind : {"1", "2", "3"}) WriteRecordFile(std::string("../Resources/0.") + kind + "cat", 14, {});
        WriteRecordFile("../Recibi/espejos.fij", 1, {{"http://old-mirror.test/"}});
    }
    ~TransmitRun() override {
        SetProgramStarter(nullptr);
        SetProcessEndHook(nullptr);
        TheUpdateSettings() = UpdateSettings{};
    }
    // The settings the update window loads when the update button shows it.
    void Settings(const LoopbackServer& proxy) {
        installation.Write("Recibi/proxy.con",
                           "127.0.0.1\r\n" + std::to_string(proxy.Port()) + "\r\n\r\ncbChecked\r\nhttp://count.test/\r\n");
    }
    TTransmitForm& Form() { return *windows->TransmitForm; }

    Starter starter;
};

TEST_F(TransmitRun, TheUpdateButtonRunsTheUpdateThroughTheWindowsSettings) {
    LoopbackServer proxy({
        {ReadRequest(), Send(DatedAnswer("Tue, 08 Dec 2026 10:00:00 GMT"))},
        {ReadRequest(), Send(HttpAnswer(Wrapped("1\r\nhttp://mirror.test/\r\n")))},
        {ReadRequest(), Send(HttpAnswer(Listing()))},
        {ReadRequest(), Send(HttpAnswer("MZP day 3 " + std::string(3000, 'x')))},
        {ReadRequest(), Send(HttpAnswer("MZP day 2"))},
        {ReadRequest(), Send(HttpAnswer("counted"))},
    });
    Settings(proxy);
    Start();
    Main().Image8->Hover();  // the pointer pressed Update
    Main().Image8Click();

    // No error: the run ends by telling what arrived, and the day news opens,
    // saying which day it shows; the Update button is lit no more.
    ASSERT_EQ(seams.dialogs.shown.size(), 1u);
    EXPECT_EQ(seams.dialogs.shown[0].kind, "notice");
    EXPECT_EQ(seams.dialogs.shown[0].title, "UPDATE COMPLETE");
    EXPECT_EQ(LastError(), "2 new days arrived: 2026-12-07 (1 entry), 2026-12-08 (1 entry).");
    EXPECT_TRUE(windows->FormDayNews->isVisible());
    EXPECT_EQ(windows->FormDayNews->toolTip(), "News of 8 December 2026");
    EXPECT_TRUE(Main().Image8->IsNormal());
    EXPECT_EQ(State().CurrentView, "FORMDAYNEWS");
    EXPECT_EQ(proxy.Requests().size(), 6u);
    EXPECT_FALSE(Form().isVisible());
    EXPECT_EQ(Form().Edit1->text(), "2/3");
    EXPECT_EQ(Form().Edit6->text(), "");
    EXPECT_EQ(Form().Button2->text(), "Cancel");
    EXPECT_GT(Form().Viewer->ItemCount(), 20);
    EXPECT_FALSE(Form().Viewer->isVisible());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(starter.runs, (std::vector<std::string>{kDay2 + ".exe", kDay3 + ".exe"}));
    EXPECT_EQ(installation.Read("Resources/actualizado.fij"), "1\r\n" + kDay3 + "\r\n");
    EXPECT_TRUE(starter.started.empty());
    EXPECT_EQ(ended.ends, 0);
}

TEST_F(TransmitRun, CancelDuringADownloadRestartsTheProgramAndKeepsWhatArrived) {
    LoopbackServer proxy({
        {ReadRequest(), Send(DatedAnswer("Tue, 08 Dec 2026 10:00:00 GMT"))},
        {ReadRequest(), Send(HttpAnswer(Wrapped("1\r\nhttp://mirror.test/\r\n")))},
        {ReadRequest(), Send(HttpAnswer(Listing()))},
        {ReadRequest(), Send(HttpAnswer("MZP day 3"))},
        {ReadRequest(), Send("HTTP/1.1 200 OK\r\nContent-Length: 90000\r\n\r\nMZP"), test::Pause(5000)},
    });
    Settings(proxy);
    Start();
    Main().Image1Click();  // the day news is open when Update is pressed
    // The user presses Cancel once the second package is on its way.
    // A second press of Update before that only brings the window forward:
    // the status line stays and the run goes on.
    bool pressed = false;
    bool second_press_kept_the_run = false;
    QTimer watcher;
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        if (pressed || Form().Edit1->text() != "1/3" || !Form().isVisible()) return;
        Main().Image8Click();
        second_press_kept_the_run = Form().isVisible() && Form().Edit1->text() == "1/3";
        pressed = true;
        QTest::mouseClick(Form().Button2, Qt::LeftButton);
    });
    watcher.start(10);
    // The restart is only recorded, so this copy goes on: the run stops and
    // the window says so.
    EXPECT_NO_THROW(Main().Image8Click());
    watcher.stop();

    EXPECT_TRUE(pressed);
    EXPECT_TRUE(second_press_kept_the_run);
    EXPECT_TRUE(Form().isVisible());
    EXPECT_EQ(Form().Edit1->text().toStdString(), UpdateCancelled::kUpdateCancelledText);
    ASSERT_FALSE(starter.started.empty());
    EXPECT_EQ(starter.started[0], "../bin/VeltoD.exe");
    // The restarted copy is told to open the day news again; this copy goes on.
    EXPECT_EQ(starter.open_before, "FORMDAYNEWS 1");
    EXPECT_TRUE(qgetenv("VELTOD_OPEN_BEFORE_UPDATE").isEmpty());
    EXPECT_TRUE(ended.day3_package);
    EXPECT_EQ(installation.Read("Resources/actualizado.fij"), "1\r\n" + kDay1 + "\r\n");
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

// While the update command (or another copy of the program) holds the
// installation, the button asks nothing of the network: the window says
// that an update is running and stays for the user to close.
TEST_F(TransmitRun, WhileAnotherUpdateRunsTheWindowSaysSo) {
    LoopbackServer proxy({});
    Settings(proxy);
    const std::unique_ptr<FileLock> held = FileLock::TryTake("../Recibi/update.lock");
    ASSERT_NE(held, nullptr);
    Start();
    Main().Image8Click();

    EXPECT_TRUE(Form().isVisible());
    EXPECT_EQ(Form().Edit1->text().toStdString(), kAlreadyRunningText);
    EXPECT_TRUE(Form().Button2->isVisibleTo(&Form()));
    EXPECT_EQ(proxy.Connections(), 0);
    EXPECT_TRUE(seams.dialogs.shown.empty()) << LastError();
    EXPECT_FALSE(TheUpdateState().RunInProgress);
    EXPECT_EQ(installation.Read("Resources/actualizado.fij"), "1\r\n" + kDay1 + "\r\n");
}

}  // namespace
}  // namespace veltod
