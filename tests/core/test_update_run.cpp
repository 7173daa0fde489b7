// The update run's routines and whole runs against scripted peers on
// loopback ports: probe sites, a proxy standing for every mirror, and a fake
// package runner that unpacks day lists.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "core/apply/apply_state.h"
#include "core/apply/package_format.h"
#include "core/platform/errors.h"
#include "core/platform/file_io.h"
#include "core/platform/program_start.h"
#include "core/records/record_file.h"
#include "core/update/update_run.h"
#include "core/update/update_state.h"
#include "core/view/process_state.h"
#include "support/fake_seams.h"
#include "support/local_servers.h"
#include "support/loopback_server.h"
#include "support/signed_lists.h"
#include "support/temp_dir.h"
#include "support/transmit_view_double.h"

namespace veltod {
namespace {

using test::DatedAnswer;
using test::HttpAnswer;
using test::LoopbackServer;
using test::ReadRequest;
using test::Send;
using Lines = std::vector<std::string>;

const std::string kDay1 = "20261206", kDay2 = "20261207", kDay3 = "20261208";
const std::string kDay3Date = "Tue, 08 Dec 2026 10:00:00 GMT";

std::string Listing(const Lines& days) {
    std::string bytes = "2\r\n";
    for (const auto& day : days) bytes += day + "\r\n" + day + "\r\n";
    return bytes;
}

std::string Wrapped(const std::string& content) { return "noise\r\n" + test::SignedList(content); }

std::string DayList(const std::string& id) {
    return "14\r\n" + EncodeRecord({"Prog" + id, "http://d/" + id, "1.0", "12", "a", "http://i", "b", "Text", "3", "5",
                                    id, "", "x", "n"});
}

// The package runner of these tests writes the files listed for a package;
// the program's restart is recorded.
struct Starter : ProgramStarter {
    std::map<std::string, std::vector<PackageFile>> packages;
    Lines runs, started;
    void Start(const std::string& path) override { started.push_back(path); }
    void RunAndWait(const std::string& path, int) override {
        const std::string name = path.substr(path.rfind('/') + 1);
        runs.push_back(name);
        for (const auto& file : packages[name]) ReplaceFileAtomically(file.name, file.bytes);
    }
};

// What the installation held when the process was to end.
struct EndSnapshot {
    int ends = 0;
    bool day3_package = false;
    std::string received;
} snapshot;

void RecordProcessEnd() {
    if (snapshot.ends++ > 0) return;
    snapshot.day3_package = FileExists("../Recibi/" + kDay3 + ".exe");
    snapshot.received = FileExists("../Recibi/archivos.new") ? ReadWholeFile("../Recibi/archivos.new") : "";
}

class UpdateRun : public ::testing::Test {
protected:
    void SetUp() override {
        TheUpdateState() = UpdateState{};
        TheApplyState() = ApplyState{};
        State() = ProcessState{};
        TheUpdateSettings().PauseBetweenRoundsMs = 0;
        TheUpdateSettings().MaxMirrorRounds = 2;
        snapshot = EndSnapshot{};
        SetProgramStarter(&starter);
        SetProcessEndHook(RecordProcessEnd);
        client.SetIdleTimeoutMs(5000);
        client.SetEvents(&events);
        client.SetPump([this] { view.ProcessMessages(); });

        test::InstallListKey();
        WriteRecordFile("../Resources/actualizado.fij", 1, {{kDay1}});
        WriteRecordFile("../Resources/Categ.txt", 4, {{"5", "0", "0", "Games"}});
        for (const char* kind : {"1", "2", "3"}) WriteRecordFile(std::string("../Resources/0.") + kind + "cat", 14, {});
        WriteRecordFile("../Recibi/espejos.fij", 1, {{"http://old-mirror.test/"}});
        for (const auto& day : {kDay1, kDay2, kDay3})
            starter.packages[day + ".exe"] = {{day + ".1cat", DayList(day.substr(6))}};
    }
    void TearDown() override {
        SetProgramStarter(nullptr);
        SetProcessEndHook(nullptr);
        TheUpdateSettings() = UpdateSettings{};
    }

    // A sound run's answers, in order: date, mirror list, listing (days 1 to
    // 3), the packages of days 3 and 2, then the notification when counted.
    static std::vector<test::ServerScript> SoundRun(bool counted) {
        std::vector<test::ServerScript> answers = {
            {ReadRequest(), Send(DatedAnswer(kDay3Date))},
            {ReadRequest(), Send(HttpAnswer(Wrapped("1\r\nhttp://mirror.test/\r\n")))},
            {ReadRequest(), Send(HttpAnswer(Wrapped(Listing({kDay1, kDay2, kDay3}))))},
            {ReadRequest(), Send(HttpAnswer("MZP day 3"))},
            {ReadRequest(), Send(HttpAnswer("MZP day 2"))},
        };
        if (counted) answers.push_back({ReadRequest(), Send(HttpAnswer("counted"))});
        return answers;
    }

    // Every request goes to one scripted proxy, in this order.
    void ThroughProxy(const LoopbackServer& proxy) {
        view.use_proxy = true;
        view.server = "127.0.0.1";
        view.port = std::to_string(proxy.Port());
        TheUpdateSettings().ProbeSites = {"http://probe.test/"};
    }
    static Lines RequestLines(const LoopbackServer& server) {
        Lines lines;
        for (const auto& request : server.Requests()) lines.push_back(request.substr(0, request.find("\r\n")));
        return lines;
    }
    std::string Refused() const { return "http://127.0.0.1:" + std::to_string(test::FreeLoopbackPort()) + "/"; }
    const std::vector<test::ScriptedDialogs::Shown>& Dialogs() { return seams.dialogs.shown; }

    test::ScratchInstallation installation;
    test::SeamsGuard seams;
    Starter starter;
    test::RecordingTransmitView view;
    HttpClient client;
    TransmitHttpEvents events{view, client};
};

TEST_F(UpdateRun, PackagesComeNewestFirstDownToTheLastAppliedDay) {
    TheUpdateState().PackageList.Clear();
    ParseRecordBytes(Listing({kDay1, kDay2, kDay3}), TheUpdateState().PackageList);
    EXPECT_EQ(NextPackage(view, kDay3, "0", kDay1), kDay3);
    EXPECT_EQ(NextPackage(view, "0", kDay3, kDay1), kDay2);
    EXPECT_EQ(NextPackage(view, "0", kDay2, kDay1), "terminado");
    EXPECT_EQ(view.status_lines, (Lines{"0/3", "1/3", "2/3"}));
    // The server date caps the first package; nothing after the last day.
    EXPECT_EQ(NextPackage(view, kDay2, "0", kDay1), kDay2);
    EXPECT_EQ(NextPackage(view, kDay3, "0", kDay3), "error");
    EXPECT_EQ(NextPackage(view, "0", kDay1, kDay1), "terminado");
    EXPECT_EQ(NextPackage(view, "0", kDay1, "20261201"), "terminado");
    EXPECT_THROW(NextPackage(view, "soon", "0", kDay1), ConvertError);
}

TEST_F(UpdateRun, AListingWhoseNamesLeadBackEndsTheWalkInsteadOfFetchingForEver) {
    // Day 3's row named by day 4: the walk goes on from day 4 and finds day 3
    // again. Day 2's row named by day 3: from day 3 it comes to that row,
    // which leads back to day 3.
    const std::vector<std::pair<std::string, Lines>> cases = {
        {Listing({kDay1, kDay2}) + kDay3 + "\r\n20261209\r\n", {"20261209"}},
        {"2\r\n" + kDay1 + "\r\n" + kDay1 + "\r\n" + kDay2 + "\r\n" + kDay3 + "\r\n" + kDay3 + "\r\n" + kDay3 + "\r\n",
         {kDay3}},
    };
    for (const auto& [listing, expected] : cases) {
        TheUpdateState().PackageList.Clear();
        ParseRecordBytes(listing, TheUpdateState().PackageList);
        Lines fetched;
        EXPECT_NO_THROW(WalkPackages(view, kDay3, kDay1, [&](const std::string& name) {
            fetched.push_back(name);
            if (fetched.size() > 5) throw Error("the walk does not end");
            return true;
        }));
        EXPECT_EQ(fetched, expected) << listing;
        EXPECT_EQ(installation.Read("Recibi/archivos.new"), "1\r\n" + expected[0] + ".exe\r\n");
    }
    EXPECT_TRUE(Dialogs().empty());
}

TEST_F(UpdateRun, AListingThatNamesAPathIsRefusedBeforeAnythingIsFetched) {
    LoopbackServer mirror({}, {ReadRequest(), Send(HttpAnswer("MZP"))});
    TheUpdateState().MirrorList.AppendRow({mirror.Url("/")});
    for (const std::string name : {"../bin/VeltoD", "", "a/b", "x\\y"}) {
        TheUpdateState().PackageList.Clear();
        ParseRecordBytes("2\r\n" + kDay2 + "\r\n" + kDay2 + "\r\n" + kDay3 + "\r\n" + name + "\r\n",
                         TheUpdateState().PackageList);
        EXPECT_THROW(FetchPackages(view, client, kDay3, kDay1), Error) << name;
        EXPECT_EQ(installation.Read("Recibi/archivos.new"), "1\r\n");
    }
    EXPECT_EQ(mirror.Connections(), 0);
    EXPECT_FALSE(FileExists("../bin/VeltoD.exe"));
}

TEST_F(UpdateRun, DatesListsAndTheReceivedFile) {
    EXPECT_EQ(ServerDateOf({2001, 10, 1}), "20011001");
    EXPECT_EQ(ServerDateOf({2026, 12, 31}), "20261231");
    EXPECT_EQ(ServerDateOf({5, 3, 9}), "2050309");
    EXPECT_EQ(ServerDateOf({100, 3, 9}), "0309");
    EXPECT_EQ(ServerDateOf(LocalDateTime{}), "18991230");

    WriteRecordFile("../Resources/actualizado.fij", 1, {{"20261201"}, {kDay2}});
    EXPECT_EQ(ReadLastUpdateDate(), kDay2);
    WriteRecordFile("../Resources/actualizado.fij", 1, {});
    EXPECT_THROW(ReadLastUpdateDate(), Error);
    DeleteFile("../Resources/actualizado.fij");
    EXPECT_THROW(ReadLastUpdateDate(), FileError);

    installation.Write("Recibi/archivos.new", "1\r\nold.exe\r\n");
    RecordReceivedPackage("1", "1");
    RecordReceivedPackage(kDay3 + ".exe", "99");
    RecordReceivedPackage(kDay2 + ".exe", "99");
    EXPECT_EQ(installation.Read("Recibi/archivos.new"), "1\r\n" + kDay3 + ".exe\r\n" + kDay2 + ".exe\r\n");
}

TEST_F(UpdateRun, AWholeRunFetchesAppliesAndCallsTheNotificationAddress) {
    LoopbackServer proxy(SoundRun(true));
    ThroughProxy(proxy);
    view.notification = "http://count.test/hit?u=1";
    // A press of the update button while the run waits is ignored.
    bool pressed = false;
    view.on_messages = [&] {
        if (pressed) return;
        pressed = true;
        RunUpdate(view, client);
    };

    RunUpdate(view, client);

    EXPECT_TRUE(pressed);
    EXPECT_EQ(RequestLines(proxy), (Lines{"HEAD http://probe.test/ HTTP/1.1",
                                          "GET http://old-mirror.test/espejos.txt HTTP/1.1",
                                          "GET http://mirror.test/listado.txt HTTP/1.1",
                                          "GET http://mirror.test/dos/" + kDay3 + ".gif HTTP/1.1",
                                          "GET http://mirror.test/dos/" + kDay2 + ".gif HTTP/1.1",
                                          "GET http://count.test/hit?u=1 HTTP/1.1"}));
    // The run ends hidden, so the user is told what arrived, and the day news
    // opens on the newest day.
    ASSERT_EQ(Dialogs().size(), 1u);
    EXPECT_EQ(Dialogs()[0].kind, "notice");
    EXPECT_EQ(Dialogs()[0].title, "UPDATE COMPLETE");
    EXPECT_EQ(Dialogs()[0].text, "2 new days arrived: 2026-12-07 (1 entry), 2026-12-08 (1 entry).");
    EXPECT_EQ(view.newest_day_shown, 1);
    EXPECT_EQ(TheUpdateState().ServerDate, kDay3);
    EXPECT_EQ(installation.Read("Recibi/espejos.fij"), "1\r\nhttp://mirror.test/\r\n");
    EXPECT_EQ(installation.Read("Recibi/archivos.new"), "1\r\n" + kDay3 + ".exe\r\n" + kDay2 + ".exe\r\n");
    EXPECT_EQ(starter.runs, (Lines{kDay2 + ".exe", kDay3 + ".exe"}));
    EXPECT_EQ(installation.Read("Resources/actualizado.fij"), "1\r\n" + kDay3 + "\r\n");
    EXPECT_TRUE(FileExists("../Resources/5.1cat"));
    EXPECT_EQ(State().CategoryMarksLoaded, "si");
    EXPECT_EQ(view.status_lines, (Lines{"0/3", "1/3", "2/3"}));
    EXPECT_FALSE(view.shown);
    EXPECT_EQ(view.left, -1000);
    EXPECT_EQ(view.button2, "Cancel");
    EXPECT_TRUE(view.button2_shown);
    EXPECT_EQ(view.progress_line, "");
    EXPECT_FALSE(view.busy);
    EXPECT_FALSE(TheUpdateState().RunInProgress);
    // Closes seen while the window was shown are only traced.
    EXPECT_TRUE(starter.started.empty());
    EXPECT_FALSE(view.TraceLinesStarting("1---").empty());
    const Lines steps{"Recibi\xF3 Fecha", "va a entrar en actualizar desarmado", "salio de actualizar desarmado",
                      "Recibi\xF3 Servidores", "Carg\xF3 Servidores Nuevos en Array",
                      "va a pasar servidores.txt a .fij", "Los pas\xF3", "va a leer Listado.txt",
                      "ley\xF3 listado.txt", "Carg\xF3 en array Listado.txt"};
    auto at = view.trace.begin();
    for (const auto& step : steps) {
        at = std::find(at, view.trace.end(), step);
        ASSERT_NE(at, view.trace.end()) << step;
    }
}

TEST_F(UpdateRun, UpToDateStillFetchesTheListingAndAClosedNotificationRestarts) {
    WriteRecordFile("../Resources/actualizado.fij", 1, {{kDay3}});
    // A mirror list without any mirror is not taken.
    LoopbackServer proxy({
        {ReadRequest(), Send(DatedAnswer(kDay3Date))},
        {ReadRequest(), Send(HttpAnswer(Wrapped("1\r\n")))},
        {ReadRequest(), Send(HttpAnswer(Wrapped(Listing({kDay1, kDay2, kDay3}))))},
        {ReadRequest(), Send(HttpAnswer("counted"))},
    });
    ThroughProxy(proxy);
    view.notification = "http://count.test/";
    RunUpdate(view, client);
    ASSERT_EQ(RequestLines(proxy).size(), 4u);
    EXPECT_EQ(RequestLines(proxy)[2], "GET http://old-mirror.test/listado.txt HTTP/1.1");
    EXPECT_EQ(installation.Read("Recibi/espejos.fij"), "1\r\nhttp://old-mirror.test/\r\n");
    ASSERT_EQ(Dialogs().size(), 1u);
    EXPECT_EQ(Dialogs()[0].text, "Velto Download is UP TO DATE");
    EXPECT_EQ(installation.Read("Recibi/archivos.new"), "1\r\n");
    EXPECT_TRUE(starter.runs.empty());
    EXPECT_TRUE(view.trace_hidden);
    // The window was hidden when the notification's connection closed.
    EXPECT_EQ(starter.started, Lines{"../bin/VeltoD.exe"});
    EXPECT_EQ(snapshot.ends, 1);
}

TEST_F(UpdateRun, TheDateComesFromTheFirstSiteThatAnswersAndMustNotBeBefore2001October) {
    LoopbackServer october({}, {ReadRequest(), Send(DatedAnswer("Mon, 01 Oct 2001 00:00:00 GMT"))});
    TheUpdateSettings().ProbeSites = {Refused(), october.Url("/")};
    // The day passes the check; the missing last applied day then ends the run.
    DeleteFile("../Resources/actualizado.fij");
    EXPECT_THROW(RunUpdate(view, client), FileError);
    EXPECT_EQ(TheUpdateState().ServerDate, "20011001");
    EXPECT_TRUE(Dialogs().empty());
    EXPECT_FALSE(view.busy);
    EXPECT_TRUE(view.button2_shown);
    EXPECT_FALSE(TheUpdateState().RunInProgress);

    const std::vector<std::pair<std::string, long>> too_early{
        {"Date: Sun, 30 Sep 2001 23:59:59 GMT\r\n", 0},
        // 02:30 universal time is still 30 September three hours west.
        {"Date: Mon, 01 Oct 2001 02:30:00 GMT\r\n", -3 * 3600},
        {"", 0},
    };
    for (const auto& [header, offset] : too_early) {
        seams.dialogs.shown.clear();
        seams.clock.offset = offset;
        view.shown = true;
        LoopbackServer site({}, {ReadRequest(), Send(HttpAnswer("", header))});
        LoopbackServer mirror({}, {ReadRequest(), Send(HttpAnswer(""))});
        WriteRecordFile("../Recibi/espejos.fij", 1, {{mirror.Url("/")}});
        TheUpdateSettings().ProbeSites = {site.Url("/")};
        RunUpdate(view, client);
        ASSERT_EQ(Dialogs().size(), 1u) << header;
        EXPECT_EQ(Dialogs()[0].text, "SERVER ERROR, PLEASE RETRAY LATER");
        EXPECT_EQ(view.progress_line, header.empty() ? "The date server's answer carried no date"
                                                     : "The date server's date is unusable or before October 2001: " +
                                                           header.substr(6, header.size() - 8));
        EXPECT_TRUE(view.shown);
        EXPECT_EQ(mirror.Connections(), 0);
    }
}

TEST_F(UpdateRun, WhenNoSiteAnswersTheUserIsToldWhatToCheck) {
    TheUpdateSettings().ProbeSites = {Refused(), Refused(), Refused(), Refused()};
    RunUpdate(view, client);
    ASSERT_EQ(Dialogs().size(), 1u);
    EXPECT_EQ(Dialogs()[0].title, "CONNECTION FAILED");
    EXPECT_EQ(Dialogs()[0].text, "PLEASE, CHECK YOUR TCP/IP CONNECTION");
    EXPECT_FALSE(view.shown);
    EXPECT_TRUE(view.button2_shown);
    EXPECT_FALSE(view.busy);
    EXPECT_FALSE(FileExists("../Recibi/archivos.new"));
    EXPECT_FALSE(FileExists("../Recibi/espejos.txt"));

    // A proxy that answers but refuses keeps its connection: its settings
    // are the likely fault.
    seams.dialogs.shown.clear();
    view.shown = true;
    const std::string refusal = "HTTP/1.1 407 Proxy Authentication Required\r\nContent-Length: 0\r\n\r\n";
    LoopbackServer proxy({}, {ReadRequest(), Send(refusal), ReadRequest(), Send(refusal), ReadRequest(),
                              Send(refusal), ReadRequest(), Send(refusal)});
    view.use_proxy = true;
    view.server = "127.0.0.1";
    view.port = std::to_string(proxy.Port());
    TheUpdateSettings().ProbeSites = {"http://a.test/", "http://b.test/", "http://c.test/", "http://d.test/"};
    RunUpdate(view, client);
    EXPECT_EQ(proxy.Requests().size(), 4u);
    ASSERT_EQ(Dialogs().size(), 1u);
    EXPECT_EQ(Dialogs()[0].text, "PLEASE, CHECK YOUR PROXY CONFIGURATION IN MENU OPTIONS");
    EXPECT_FALSE(client.Connected());
}

// An installation that names no mirror, or lacks the key the lists are
// signed with, says how to set one before asking anything of the network.
TEST_F(UpdateRun, WithoutAMirrorTheUserIsToldHowToSetOne) {
    LoopbackServer site({}, {ReadRequest(), Send(HttpAnswer(""))});
    TheUpdateSettings().ProbeSites = {site.Url("/")};
    const std::pair<const char*, std::function<void()>> cases[] = {
        {"an empty mirror list", [] { WriteRecordFile("../Recibi/espejos.fij", 1, {}); }},
        {"no mirror list", [] { DeleteFile("../Recibi/espejos.fij"); }},
        {"a list without an http address", [] { WriteRecordFile("../Recibi/espejos.fij", 1, {{"ftp://x/"}}); }},
        {"no public key", [] { DeleteFile("../bin/veltod.pub"); }},
    };
    for (const auto& [what, spoil] : cases) {
        test::InstallListKey();
        WriteRecordFile("../Recibi/espejos.fij", 1, {{"http://mirror.test/"}});
        spoil();
        seams.dialogs.shown.clear();
        view.shown = true;
        RunUpdate(view, client);
        ASSERT_EQ(Dialogs().size(), 1u) << what;
        EXPECT_EQ(Dialogs()[0].title, "NO MIRROR SET") << what;
        EXPECT_NE(Dialogs()[0].text.find("veltod --mirror URL --key FILE"), std::string::npos) << what;
        EXPECT_FALSE(view.shown) << what;
        EXPECT_TRUE(view.button2_shown) << what;
    }
    EXPECT_EQ(site.Connections(), 0);
}

TEST_F(UpdateRun, IncompleteProxyFieldsStopBeforeAnyRequest) {
    LoopbackServer site({}, {ReadRequest(), Send(HttpAnswer(""))});
    TheUpdateSettings().ProbeSites = {site.Url("/")};
    view.use_proxy = true;
    RunUpdate(view, client);
    EXPECT_EQ(view.focus, (Lines{"Edit5", "Edit2"}));

    view.focus.clear();
    view.server = "127.0.0.1";
    view.port = std::to_string(site.Port());
    view.user = "ann";
    RunUpdate(view, client);
    EXPECT_EQ(view.focus, Lines{"Edit5"});
    EXPECT_EQ(site.Connections(), 0);
    EXPECT_TRUE(view.shown);
    EXPECT_TRUE(view.trace_hidden);
    EXPECT_EQ(view.button2, "Close");
    EXPECT_TRUE(Dialogs().empty());

    // A password without a user name is dropped and the run goes on.
    view.user.clear();
    view.password = "secret";
    RunUpdate(view, client);
    EXPECT_EQ(view.password, "");
    EXPECT_EQ(site.Requests().size(), 1u);
    EXPECT_EQ(site.Requests()[0].find("Proxy-Authorization"), std::string::npos);
}

TEST_F(UpdateRun, CancelDuringADownloadRestartsAndKeepsWhatArrived) {
    LoopbackServer proxy({
        {ReadRequest(), Send(DatedAnswer(kDay3Date))},
        {ReadRequest(), Send(HttpAnswer(Wrapped("1\r\nhttp://mirror.test/\r\n")))},
        {ReadRequest(), Send(HttpAnswer(Wrapped(Listing({kDay1, kDay2, kDay3}))))},
        {ReadRequest(), Send(HttpAnswer("MZP day 3"))},
        {ReadRequest(), Send("HTTP/1.1 200 OK\r\nContent-Length: 5000\r\n\r\nMZP"), test::Pause(5000)},
    });
    ThroughProxy(proxy);
    bool cancelled = false;
    view.on_messages = [&] {
        if (cancelled || view.TraceLinesStarting("Por traer: http://mirror.test/dos/" + kDay2).empty()) return;
        cancelled = true;
        CancelRun(view, client);
    };
    // The restart is recorded, not made, so this copy goes on: it stops the
    // run and the window says so.
    EXPECT_NO_THROW(RunUpdate(view, client));
    EXPECT_TRUE(cancelled);
    EXPECT_EQ(view.status_line, UpdateCancelled::kUpdateCancelledText);
    ASSERT_FALSE(starter.started.empty());
    EXPECT_EQ(starter.started[0], "../bin/VeltoD.exe");
    EXPECT_TRUE(snapshot.day3_package);
    EXPECT_EQ(snapshot.received, "1\r\n" + kDay3 + ".exe\r\n");
    EXPECT_FALSE(FileExists("../Recibi/" + kDay2 + ".exe"));
    EXPECT_EQ(installation.Read("Resources/actualizado.fij"), "1\r\n" + kDay1 + "\r\n");
}

// Cancel while the received packages are applied: the day being applied is
// finished, no later one is started and the notification is not sent.
TEST_F(UpdateRun, CancelWhileApplyingAppliesNothingMore) {
    LoopbackServer proxy(SoundRun(false));
    ThroughProxy(proxy);
    view.notification = "http://count.test/hit?u=1";
    bool cancelled = false;
    view.on_messages = [&] {
        if (cancelled || starter.runs.size() != 1) return;
        cancelled = true;
        CancelRun(view, client);
    };
    EXPECT_NO_THROW(RunUpdate(view, client));
    EXPECT_TRUE(cancelled);
    EXPECT_EQ(view.status_line, UpdateCancelled::kUpdateCancelledText);
    EXPECT_EQ(starter.runs, Lines{kDay2 + ".exe"});
    EXPECT_EQ(installation.Read("Resources/actualizado.fij"), "1\r\n" + kDay2 + "\r\n");
    EXPECT_EQ(proxy.Requests().size(), 5u);
    EXPECT_TRUE(Dialogs().empty());
}

// Cancel at any moment of a run, before a connection exists included: the
// request ends, the restart is tried, and when this copy goes on (the
// restart is only recorded here) nothing more is requested or applied and
// the window shows why.
TEST_F(UpdateRun, CancelAtEachStageStopsTheRunWhateverTheRestartDoes) {
    struct Stage {
        const char* name;
        std::string proxy_host;  // a name is looked up, an address is not
        size_t answered;         // requests answered before the one that stalls
        const char* trace;       // cancel once a trace line begins so; else when the stalled request arrives
    } stages[] = {
        {"name lookup", "localhost", 0, "Resolving hostname localhost."},
        {"connect", "127.0.0.1", 0, "Connecting to 127.0.0.1."},
        {"probe", "127.0.0.1", 0, nullptr},
        {"mirror list", "127.0.0.1", 1, nullptr},
        {"listing", "127.0.0.1", 2, nullptr},
        {"package", "127.0.0.1", 3, nullptr},
    };
    const std::vector<test::ServerScript> answers = SoundRun(false);
    for (const Stage& stage : stages) {
        SCOPED_TRACE(stage.name);
        TheUpdateState() = UpdateState{};
        starter.started.clear();
        starter.runs.clear();
        view = test::RecordingTransmitView{};
        std::vector<test::ServerScript> scripts(answers.begin(), answers.begin() + long(stage.answered));
        scripts.push_back({ReadRequest(), test::Pause(20000)});
        LoopbackServer proxy(scripts);
        ThroughProxy(proxy);
        view.server = stage.proxy_host;
        bool cancelled = false;
        const auto cancel = [&] {
            cancelled = true;
            CancelRun(view, client);
        };
        // The client reports a lookup or a connect before it holds a socket.
        view.on_trace = [&](const std::string& line) {
            if (!cancelled && stage.trace && line == stage.trace) cancel();
        };
        view.on_messages = [&] {
            if (!cancelled && !stage.trace && proxy.Requests().size() > stage.answered) cancel();
        };
        EXPECT_NO_THROW(RunUpdate(view, client));
        EXPECT_TRUE(cancelled);
        EXPECT_EQ(proxy.Requests().size(), stage.trace ? 0u : stage.answered + 1);
        EXPECT_EQ(view.status_line, UpdateCancelled::kUpdateCancelledText);
        EXPECT_TRUE(view.shown);
        EXPECT_FALSE(TheUpdateState().RunInProgress);
        EXPECT_EQ(starter.started, Lines{"../bin/VeltoD.exe"});
        EXPECT_TRUE(starter.runs.empty());
        EXPECT_TRUE(Dialogs().empty());
        EXPECT_EQ(installation.Read("Resources/actualizado.fij"), "1\r\n" + kDay1 + "\r\n");
    }
}

}  // namespace
}  // namespace veltod
