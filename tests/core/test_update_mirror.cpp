// A whole update run against a mirror tree made by the publisher and served
// by nginx on a loopback port, with the real package runner: an installation
// two days behind catches up.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "core/apply/apply_state.h"
#include "core/apply/package_format.h"
#include "core/platform/file_io.h"
#include "core/platform/program_start.h"
#include "core/records/record_file.h"
#include "core/update/update_run.h"
#include "core/update/update_state.h"
#include "core/view/process_state.h"
#include "server/mirror_publish.h"
#include "support/catalogue_files.h"
#include "support/fake_seams.h"
#include "support/local_servers.h"
#include "support/loopback_server.h"
#include "support/temp_dir.h"
#include "support/transmit_view_double.h"

namespace veltod {
namespace {

std::string DayList(const std::vector<std::string>& ids) {
    std::string bytes = "14\r\n";
    for (const auto& id : ids)
        bytes += EncodeRecord({"Prog" + id, "http://d/" + id, "1.0", "12", "a", "http://i", "b", "Text", "3", "5", id,
                               "", "x", "n"});
    return bytes;
}

int ends = 0;
void CountEnd() { ++ends; }

TEST(UpdateFromMirror, AnInstallationTwoDaysBehindFetchesAndAppliesBothDays) {
    const char* stage = std::getenv("VELTOD_STAGE");
    ASSERT_NE(stage, nullptr);
    test::ScratchInstallation installation;
    test::SeamsGuard seams;
    TheUpdateState() = UpdateState{};
    TheApplyState() = ApplyState{};
    State() = ProcessState{};
    TheUpdateSettings().PauseBetweenRoundsMs = 0;
    SetProcessEndHook(CountEnd);

    std::string public_key, secret_key;
    MakeKeyPair(public_key, secret_key);
    std::filesystem::copy_file(std::string(stage) + "/bin/veltod-unpack", installation.Path("bin/veltod-unpack"));
    WriteKeyFile(installation.Path("bin/veltod.pub"), public_key);
    SetPackageRunnerPath(installation.Path("bin/veltod-unpack"));
    WriteRecordFile("../Resources/Categ.txt", 4, {{"5", "0", "0", "Games"}});
    for (const char* header : {"0.cat", "0.1cat", "0.2cat", "0.3cat"})
        WriteRecordFile(std::string("../Resources/") + header, 14, {});
    WriteRecordFile("../Resources/actualizado.fij", 1, {{"20261206"}});

    test::NginxServer mirror;
    const std::string base = mirror.Url("/tree/");
    WriteMirror((mirror.Root() / "tree").string(),
                {{"20261206", {{"20261206.1cat", DayList({"10"})}}},
                 {"20261207", {{"20261207.1cat", DayList({"21", "20"})}}},
                 {"20261208", {{"20261208.1cat", DayList({"30"})}, {"20261208.3cat", DayList({"31"})}}}},
                {base}, secret_key);
    // The installed list names a mirror that is gone, tried first.
    const std::string gone = "http://127.0.0.1:" + std::to_string(test::FreeLoopbackPort()) + "/";
    WriteRecordFile("../Recibi/espejos.fij", 1, {{base}, {gone}});
    test::LoopbackServer probe({}, {test::ReadRequest(), test::Send(test::DatedAnswer("Tue, 08 Dec 2026 09:00:00 GMT"))});
    TheUpdateSettings().ProbeSites = {probe.Url("/")};

    test::RecordingTransmitView view;
    view.notification = mirror.Url("/count");
    HttpClient client;
    client.SetIdleTimeoutMs(15000);
    TransmitHttpEvents events(view, client);
    client.SetEvents(&events);

    RunUpdate(view, client);
    SetPackageRunnerPath("");
    SetProcessEndHook(nullptr);
    TheUpdateSettings() = UpdateSettings{};

    // No error; the user is told what arrived.
    ASSERT_EQ(seams.dialogs.shown.size(), 1u);
    EXPECT_EQ(seams.dialogs.shown[0].text, "2 new days arrived: 2026-12-07 (2 entries), 2026-12-08 (2 entries).");
    EXPECT_EQ(installation.Read("Resources/actualizado.fij"), "1\r\n20261208\r\n");
    EXPECT_EQ(installation.Read("Recibi/archivos.new"), "1\r\n20261208.exe\r\n20261207.exe\r\n");
    EXPECT_EQ(installation.Read("Recibi/espejos.fij"), "1\r\n" + base + "\r\n");
    EXPECT_EQ(test::EntryIds("../Resources/5.1cat"), (std::vector<std::string>{"20", "21", "30"}));
    EXPECT_EQ(test::EntryIds("../Resources/5.3cat"), std::vector<std::string>{"31"});
    EXPECT_EQ(test::EntryIds("../Resources/today.1cat"), std::vector<std::string>{"30"});
    for (const char* left : {"../Recibi/20261207.exe", "../Recibi/20261208.exe", "../bin/20261207.exe",
                             "../bin/20261208.exe", "../bin/20261208.1cat", "../Recibi/listado.txtQ"})
        EXPECT_FALSE(FileExists(left)) << left;
    EXPECT_EQ(view.TraceLinesStarting("Por traer: " + gone).size(), 1u);
    EXPECT_FALSE(view.shown);
    EXPECT_EQ(ends, 0);
    EXPECT_EQ(State().CategoryMarksLoaded, "si");
}

}  // namespace
}  // namespace veltod
