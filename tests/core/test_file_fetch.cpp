// The file fetch: completeness checks of raw copies, the progress line, and
// fetches from scripted mirrors on loopback ports (rotation, bounds, the
// proxy path, a cancel during the pause between rounds).
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/apply/package_format.h"
#include "core/platform/errors.h"
#include "core/platform/file_io.h"
#include "core/platform/program_start.h"
#include "core/records/record_file.h"
#include "core/update/file_fetch.h"
#include "core/update/update_run.h"
#include "core/update/update_state.h"
#include "support/fake_seams.h"
#include "support/local_servers.h"
#include "support/loopback_server.h"
#include "support/signed_lists.h"
#include "support/temp_dir.h"
#include "support/transmit_view_double.h"

namespace veltod {
namespace {

using test::HttpAnswer;
using test::LoopbackServer;
using test::ReadRequest;
using test::Send;

const std::string kTarget = "../Recibi/listado.txt";

class RawCopy : public ::testing::Test {
protected:
    // Checks a raw copy of the body as the fetch writes it (body + CR LF).
    std::string Check(const std::string& body, const std::string& mode = kTextMode) {
        installation.Write("Recibi/listado.txtQ", body + "\r\n");
        return CheckFetchedFile(kTarget, mode);
    }
    bool Leftovers() const { return FileExists(kTarget + "Q") || FileExists(kTarget + "P"); }

    test::ScratchInstallation installation;
};

TEST_F(RawCopy, OnlyTheLinesBetweenTheMarkersBecomeTheFile) {
    EXPECT_EQ(Check("comensando\r\na\r\nb\r\nterminando"), "bien");
    EXPECT_EQ(installation.Read("Recibi/listado.txt"), "a\r\nb\r\n");
    EXPECT_FALSE(Leftovers());

    // Text after the first ten characters of a marker line, lines before the
    // begin marker and after the end marker, and any line ends all count alike.
    EXPECT_EQ(Check("<html>\nnoise\rcomensando 2026\n1\r\n\r\nx y\nterminando.\nlater\r\n"), "bien");
    EXPECT_EQ(installation.Read("Recibi/listado.txt"), "1\r\n\r\nx y\r\n");
    EXPECT_FALSE(Leftovers());

    // A marker must begin the line.
    EXPECT_EQ(Check(" comensando\r\na\r\nterminando"), "mal");
    EXPECT_EQ(Check("comensand\r\na\r\nterminando"), "mal");
    EXPECT_EQ(installation.Read("Recibi/listado.txt"), "1\r\n\r\nx y\r\n");
}

TEST_F(RawCopy, AnIncompleteTextCopyLeavesTheTargetAndNoTemporaryFile) {
    installation.Write("Recibi/listado.txt", "old\r\n");
    EXPECT_EQ(Check("comensando\r\na\r\nb"), "mal");
    EXPECT_EQ(Check("a\r\nterminando"), "mal");
    EXPECT_EQ(Check(""), "mal");
    // 0x1A ends the text, so an end marker after it is never seen.
    EXPECT_EQ(Check("comensando\r\na\r\n\x1A\r\nterminando"), "mal");
    EXPECT_EQ(installation.Read("Recibi/listado.txt"), "old\r\n");
    EXPECT_FALSE(Leftovers());
}

TEST_F(RawCopy, PackagesAreRecognisedByTheirFirstThreeBytes) {
    const std::string target = "../Recibi/20261208.exe";
    const std::string package("MZP\0\x01\xFF" "rest", 10);
    installation.Write("Recibi/20261208.exeQ", package + "\r\n");
    EXPECT_EQ(CheckFetchedFile(target, kBinaryMode), "bien");
    EXPECT_EQ(installation.Read("Recibi/20261208.exe"), package + "\r\n");
    EXPECT_FALSE(FileExists(target + "Q"));

    for (const std::string body : {"MZ\x90 other program", "<html>404 Not Found</html>", "MZ"}) {
        installation.Write("Recibi/20261208.exeQ", body + "\r\n");
        EXPECT_EQ(CheckFetchedFile(target, kBinaryMode), "mal") << body;
        EXPECT_FALSE(FileExists(target + "Q"));
    }
    EXPECT_EQ(installation.Read("Recibi/20261208.exe"), package + "\r\n");

    installation.Write("Recibi/20261208.exeQ", "MZP");
    EXPECT_EQ(CheckFetchedFile(target, "other"), "mal");
    EXPECT_FALSE(FileExists(target + "Q"));
}

TEST(Progress, WholeThousandsAndNothingBelowAThousand) {
    EXPECT_EQ(ProgressText(999, 0), "Kb/Kb");
    EXPECT_EQ(ProgressText(1500, 20480), "1Kb/20Kb");
    EXPECT_EQ(ProgressText(12345, 1000), "12Kb/1Kb");
    EXPECT_EQ(ProgressText(5000000000ull, 5000000999ull), "5000000Kb/5000000Kb");
}

// Stands in for the program starter and the end of the process.
struct Restarts : ProgramStarter {
    std::vector<std::string> started;
    void Start(const std::string& path) override { started.push_back(path); }
    void RunAndWait(const std::string&, int) override {}
};
int process_ends = 0;
void CountProcessEnd() { ++process_ends; }

class Fetch : public ::testing::Test {
protected:
    void SetUp() override {
        TheUpdateState() = UpdateState{};
        TheUpdateSettings().PauseBetweenRoundsMs = 0;
        TheUpdateSettings().MaxMirrorRounds = 2;
        process_ends = 0;
        SetProgramStarter(&starter);
        SetProcessEndHook(CountProcessEnd);
        client.SetIdleTimeoutMs(5000);
        client.SetEvents(&events);
        client.SetPump([this] { view.ProcessMessages(); });
    }
    void TearDown() override {
        SetProgramStarter(nullptr);
        SetProcessEndHook(nullptr);
        TheUpdateSettings() = UpdateSettings{};
    }
    void Mirrors(const std::vector<std::string>& bases) {
        RecordTable table;
        for (const auto& base : bases) table.AppendRow({base});
        TheUpdateState().MirrorList = table;
    }
    std::vector<std::string> Attempts() const { return view.TraceLinesStarting("Por traer: "); }

    test::ScratchInstallation installation;
    test::SeamsGuard seams;
    Restarts starter;
    test::RecordingTransmitView view;
    HttpClient client;
    TransmitHttpEvents events{view, client};
};

TEST_F(Fetch, FailingMirrorsAreTriedInTurnAndTheFetchGivesUpLeavingTheTarget) {
    installation.Write("Recibi/listado.txt", "2\r\nold\r\nlisting\r\n");
    const std::string refused = "http://127.0.0.1:" + std::to_string(test::FreeLoopbackPort()) + "/";
    LoopbackServer missing({}, {ReadRequest(), Send(HttpAnswer("gone", "", true, "404 Not Found"))});
    LoopbackServer truncated({}, {ReadRequest(), Send(HttpAnswer("comensando\r\n2\r\na\r\n"))});
    Mirrors({refused, missing.Url("/m/"), truncated.Url("/")});
    TheUpdateState().FetchResult = "";

    try {
        FetchFile(view, client, kTarget, "listado.txt", kTextMode);
        ADD_FAILURE() << "the fetch did not give up";
    } catch (const NetworkError& error) {
        // The final message names every address tried.
        EXPECT_NE(std::string(error.what()).find(refused + ", " + missing.Url("/m/") + " and " + truncated.Url("/")),
                  std::string::npos)
            << error.what();
    }
    const auto attempts = Attempts();
    ASSERT_EQ(attempts.size(), 6u);
    const std::vector<std::string> order{refused, missing.Url("/m/"), truncated.Url("/")};
    for (size_t i = 0; i < attempts.size(); ++i)
        EXPECT_EQ(attempts[i], "Por traer: " + order[i % 3] + "listado.txt / a: " + kTarget) << i;
    EXPECT_EQ(installation.Read("Recibi/listado.txt"), "2\r\nold\r\nlisting\r\n");
    EXPECT_FALSE(FileExists(kTarget + "Q") || FileExists(kTarget + "P"));
    EXPECT_EQ(TheUpdateState().FetchResult, "");
    EXPECT_FALSE(view.busy);
    EXPECT_EQ(view.trace.back(), "Saliendo del proceso traer archivo con resultado : ");
    EXPECT_EQ(missing.Requests().size(), 2u);
    EXPECT_EQ(truncated.Requests().size(), 2u);
}

// A fetched list that is too long, not signed with the publisher's key,
// past its signed expiry on the server date or does not read as its users
// expect is a bad copy: the installed list stays and the message says what
// was wrong. A list without an expiry is taken, and the trace says so.
TEST_F(Fetch, ListsOverTheirCapUnsignedExpiredOrNotSoundNeverReplaceTheInstalledOne) {
    TheUpdateSettings().MaxMirrorRounds = 1;
    TheUpdateState().ServerDate = "20261209";
    TheUpdateSettings().MaxListingBytes = 400;
    TheUpdateSettings().MaxMirrorListBytes = 400;
    test::InstallListKey();
    std::string other_public, other_secret;
    MakeKeyPair(other_public, other_secret);
    struct Case {
        const char* what;
        const char* remote;
        std::string body;
        const char* failure;  // empty when the copy is taken
    };
    const std::string listing = "2\r\n20261207\r\n20261207\r\n20261208\r\n20261208\r\n";
    const std::string signed_listing = test::SignedList(listing);
    std::string tampered = signed_listing;
    tampered.replace(tampered.find("20261208"), 8, "20261209");
    const std::string expired = test::SignedList(listing, test::TestListKeys().secret_key, "20261208");
    std::string moved_expiry = expired;
    moved_expiry.replace(moved_expiry.find("vence 20261208"), 14, "vence 20261231");
    std::string unreadable_expiry = expired;
    unreadable_expiry.replace(unreadable_expiry.find("vence 20261208"), 14, "vence tomorrow");
    const Case cases[] = {
        {"a sound listing without expiry", "listado.txt", signed_listing, ""},
        {"a sound mirror list", "espejos.txt", test::SignedList("1\r\nhttp://m.test/\r\n"), ""},
        {"good through the server date", "listado.txt",
         test::SignedList(listing, test::TestListKeys().secret_key, "20261209"), ""},
        {"expired the day before", "listado.txt", expired, "/ served one that expired on 2026-12-08."},
        {"an expired mirror list", "espejos.txt",
         test::SignedList("1\r\nhttp://m.test/\r\n", test::TestListKeys().secret_key, "20261130"),
         "served one that expired on 2026-11-30."},
        {"an expiry moved later", "listado.txt", moved_expiry, "expiry with a signature that does not verify"},
        {"an expiry of another key", "listado.txt", test::SignedList(listing, other_secret, "20261231"),
         "expiry with a signature that does not verify"},
        {"an expiry that is no day", "listado.txt", unreadable_expiry, "expiry line that does not read"},
        {"a listing over its cap", "listado.txt", test::SignedList("2\r\n" + std::string(500, 'x') + "\r\n"),
         "larger than 400 bytes"},
        {"no signature", "listado.txt", "comensando\r\n" + listing + "terminando\r\n", "is not signed"},
        {"another key's signature", "listado.txt", test::SignedList(listing, other_secret), "does not verify"},
        {"a changed list", "listado.txt", tampered, "does not verify"},
        {"only the markers", "listado.txt", test::SignedList(""), "not a sound list"},
        {"a bad count line", "listado.txt", test::SignedList("zwei\r\n1\r\n2\r\n"), "not a sound list"},
        {"a day that is not a day", "listado.txt", test::SignedList("2\r\n2026-12-08\r\nx\r\n"), "not a sound list"},
        {"one field a package", "listado.txt", test::SignedList("1\r\n20261208\r\n"), "not a sound list"},
        {"a mirror that is no web address", "espejos.txt", test::SignedList("1\r\n/etc/\r\n"), "not a sound list"},
        {"a cut copy", "listado.txt", "comensando\r\n2\r\n20261208\r\n", "cut short"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string target = std::string("../Recibi/") + c.remote;
        installation.Write(std::string("Recibi/") + c.remote, "installed");
        LoopbackServer mirror({}, {ReadRequest(), Send(HttpAnswer(c.body))});
        Mirrors({mirror.Url("/")});
        const TextListRules rules = std::string(c.remote) == "listado.txt" ? ListingRules() : MirrorListRules();
        view.trace.clear();
        if (std::string(c.failure).empty()) {
            EXPECT_EQ(FetchFile(view, client, target, c.remote, kTextMode, &rules), "ok");
            EXPECT_NE(installation.Read(std::string("Recibi/") + c.remote), "installed");
            const bool dated = c.body.find("\r\nvence ") != std::string::npos;
            EXPECT_EQ(view.TraceLinesStarting("The " + std::string(c.remote) + " of " + mirror.Url("/") +
                                              " names no expiry: taken as good today.")
                          .size(),
                      dated ? 0u : 1u);
            continue;
        }
        try {
            FetchFile(view, client, target, c.remote, kTextMode, &rules);
            ADD_FAILURE() << "the copy was taken";
        } catch (const NetworkError& error) {
            EXPECT_NE(std::string(error.what()).find(c.failure), std::string::npos) << error.what();
        }
        EXPECT_EQ(installation.Read(std::string("Recibi/") + c.remote), "installed");
        EXPECT_EQ(client.Limits().max_body_bytes, HttpLimits{}.max_body_bytes);
    }
}

// An expired list is a bad copy of its mirror: the next one is asked, and
// when none has a fresh list the message names every mirror that served an
// expired one and the day it expired.
TEST_F(Fetch, ExpiredListsSendTheFetchOnAndTheFinalMessageNamesTheirMirrorsAndDays) {
    test::InstallListKey();
    TheUpdateState().ServerDate = "20261209";
    const std::string listing = "2\r\n20261208\r\n20261208\r\n";
    const auto served = [&](const std::string& valid_until) {
        return HttpAnswer(test::SignedList(listing, test::TestListKeys().secret_key, valid_until));
    };
    LoopbackServer stale({}, {ReadRequest(), Send(served("20261201"))});
    LoopbackServer missing({}, {ReadRequest(), Send(HttpAnswer("gone", "", true, "404 Not Found"))});
    LoopbackServer older({}, {ReadRequest(), Send(served("20261130"))});
    LoopbackServer fresh({}, {ReadRequest(), Send(served("20261216"))});
    const TextListRules rules = ListingRules();

    Mirrors({stale.Url("/"), older.Url("/"), missing.Url("/")});
    try {
        FetchFile(view, client, kTarget, "listado.txt", kTextMode, &rules);
        ADD_FAILURE() << "an expired listing was taken";
    } catch (const NetworkError& error) {
        EXPECT_NE(std::string(error.what())
                      .find("Expired lists (the server date is 2026-12-09): " + stale.Url("/") +
                            " served one that expired on 2026-12-01; " + older.Url("/") +
                            " served one that expired on 2026-11-30. Last failure: HTTP/1.1 404 Not Found"),
                  std::string::npos)
            << error.what();
    }
    EXPECT_FALSE(FileExists(kTarget));

    TheUpdateState().MirrorIndex = 0;
    Mirrors({stale.Url("/"), fresh.Url("/")});
    EXPECT_EQ(FetchFile(view, client, kTarget, "listado.txt", kTextMode, &rules), "ok");
    EXPECT_EQ(installation.Read("Recibi/listado.txt"), listing);
    EXPECT_EQ(TheUpdateState().MirrorIndex, 1u);
}

// While the fetch waits for the next round the window says why and for how
// long, and each later attempt says which mirror it asks.
TEST_F(Fetch, TheWindowShowsRetriesAndTheWaitForTheNextRound) {
    TheUpdateSettings().PauseBetweenRoundsMs = 1500;
    LoopbackServer missing({}, {ReadRequest(), Send(HttpAnswer("gone", "", true, "404 Not Found"))});
    Mirrors({missing.Url("/")});
    std::vector<std::string> shown;
    view.on_messages = [&] {
        if (shown.empty() || shown.back() != view.progress_line) shown.push_back(view.progress_line);
    };
    EXPECT_THROW(FetchFile(view, client, kTarget, "listado.txt", kTextMode), NetworkError);
    const auto has = [&](const std::string& text) {
        return std::any_of(shown.begin(), shown.end(), [&](const std::string& line) { return line == text; });
    };
    const std::string waiting = "Failed attempts: 1 (HTTP/1.1 404 Not Found); next round in ";
    EXPECT_TRUE(has(waiting + "2 s") && has(waiting + "1 s") && has("Attempt 2: listado.txt from " + missing.Url("/")))
        << ::testing::PrintToString(shown);
}

TEST_F(Fetch, TheNextMirrorDeliversAndIsAskedFirstForTheNextFile) {
    LoopbackServer bad({}, {ReadRequest(), Send(HttpAnswer("MZ\x90 not a package"))});
    LoopbackServer good({}, {ReadRequest(), Send(HttpAnswer("MZPpackage"))});
    Mirrors({bad.Url("/"), good.Url("/files/")});

    EXPECT_EQ(FetchFile(view, client, "../Recibi/20261208.exe", "dos/20261208.gif", kBinaryMode), "ok");
    EXPECT_EQ(installation.Read("Recibi/20261208.exe"), "MZPpackage\r\n");
    EXPECT_EQ(TheUpdateState().MirrorIndex, 1u);
    EXPECT_EQ(view.TraceLinesStarting("Proceso de Traer archivo CORRECTO").size(), 2u);
    EXPECT_EQ(view.trace.back(), "Saliendo del proceso traer archivo con resultado : ok");
    // The client's events: byte counts, the end of the body, status texts.
    EXPECT_NE(std::find(view.trace.begin(), view.trace.end(), "2---"), view.trace.end());
    EXPECT_NE(std::find(view.trace.begin(), view.trace.end(), "Connected."), view.trace.end());
    EXPECT_NE(std::find(view.trace.begin(), view.trace.end(), "10"), view.trace.end());
    EXPECT_EQ(view.progress_line, "Kb/Kb");

    EXPECT_EQ(FetchFile(view, client, "../Recibi/20261207.exe", "dos/20261207.gif", kBinaryMode), "ok");
    EXPECT_EQ(bad.Requests().size(), 1u);
    ASSERT_EQ(good.Requests().size(), 2u);
    EXPECT_EQ(good.Requests()[1].substr(0, 40), "GET /files/dos/20261207.gif HTTP/1.1\r\nHo");
}

TEST_F(Fetch, ThroughTheProxyTheAbsoluteAddressIsAsked) {
    LoopbackServer proxy({}, {ReadRequest(), Send(HttpAnswer("comensando\r\n1\r\nhttp://m.test/\r\nterminando\r\n"))});
    Mirrors({"http://mirror.test/v/"});
    view.use_proxy = true;
    view.server = "127.0.0.1";
    view.port = std::to_string(proxy.Port());
    view.user = "ann";
    view.password = "pw";
    EXPECT_EQ(FetchFile(view, client, "../Recibi/espejos.txt", "espejos.txt", kTextMode), "ok");
    ASSERT_EQ(proxy.Requests().size(), 1u);
    EXPECT_EQ(proxy.Requests()[0].substr(0, 50), "GET http://mirror.test/v/espejos.txt HTTP/1.1\r\nHos");
    EXPECT_NE(proxy.Requests()[0].find("Proxy-Authorization: Basic YW5uOnB3\r\n"), std::string::npos);
    EXPECT_EQ(installation.Read("Recibi/espejos.txt"), "1\r\nhttp://m.test/\r\n");

    // A port that is not a number is 80; unticking goes back to direct.
    view.port = "eighty";
    CopyProxySettings(view, client);
    EXPECT_EQ(client.Request().proxy_port, 80);
    view.use_proxy = false;
    CopyProxySettings(view, client);
    EXPECT_EQ(client.Request().proxy_server, "");
}

TEST_F(Fetch, NoMirrorOrAnUnknownModeIsAnErrorBeforeAnyRequest) {
    LoopbackServer server({}, {ReadRequest(), Send(HttpAnswer("MZP"))});
    EXPECT_THROW(FetchFile(view, client, kTarget, "listado.txt", kTextMode), Error);
    Mirrors({server.Url("/")});
    EXPECT_THROW(FetchFile(view, client, kTarget, "listado.txt", "zip"), Error);
    // A list that shrank since the index was moved starts again at row 0.
    TheUpdateState().MirrorIndex = 5;
    EXPECT_EQ(FetchFile(view, client, "../Recibi/x.exe", "x.gif", kBinaryMode), "ok");
    EXPECT_EQ(server.Requests().size(), 1u);
    EXPECT_FALSE(view.busy);
}

TEST_F(Fetch, CancelDuringThePauseBetweenRoundsRestartsTheProgram) {
    TheUpdateSettings().PauseBetweenRoundsMs = 2000;
    TheUpdateSettings().MaxMirrorRounds = 50;
    LoopbackServer missing({}, {ReadRequest(), Send(HttpAnswer("", "", true, "404 Not Found"))});
    Mirrors({missing.Url("/")});
    view.on_messages = [this] {
        if (view.messages_processed == 3) CancelRun(view, client);
    };
    EXPECT_THROW(FetchFile(view, client, kTarget, "listado.txt", kTextMode), Error);
    EXPECT_FALSE(view.shown);
    EXPECT_EQ(starter.started, std::vector<std::string>{"../bin/VeltoD.exe"});
    EXPECT_EQ(process_ends, 1);
    EXPECT_EQ(missing.Requests().size(), 1u);
}

}  // namespace
}  // namespace veltod
