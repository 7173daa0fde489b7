#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "core/apply/apply_state.h"
#include "core/apply/package_format.h"
#include "core/apply/received_files.h"
#include "core/platform/errors.h"
#include "core/platform/file_io.h"
#include "core/platform/program_start.h"
#include "core/records/record_file.h"
#include "support/apply_tree.h"
#include "support/catalogue_files.h"
#include "support/temp_dir.h"

namespace veltod {
namespace {

using Records = std::vector<std::vector<std::string>>;
using Files = std::vector<PackageFile>;

constexpr auto Entry = &test::ApplyEntry;

std::string DayList(const Records& entries) {
    std::string bytes = "14\r\n";
    for (const auto& entry : entries) bytes += EncodeRecord(entry);
    return bytes;
}

std::string RecordBytes(int fields, const Records& records) {
    std::string bytes = std::to_string(fields) + "\r\n";
    for (const auto& record : records) bytes += EncodeRecord(record);
    return bytes;
}

// Stands in for the package runner: "unpacks" the files given for a package.
class FakeStarter : public ProgramStarter {
public:
    void Start(const std::string& path) override { started.push_back(path); }
    void RunAndWait(const std::string& path, int timeout_seconds) override {
        EXPECT_EQ(timeout_seconds, kPackageWaitSeconds);
        const std::string name = std::filesystem::path(path).filename().string();
        runs.push_back(name);
        if (failing.count(name)) throw Error(path + " failed with exit status 1");
        for (const auto& file : packages[name]) {
            std::filesystem::create_directories(std::filesystem::path(file.name).parent_path().empty()
                                                    ? std::filesystem::path(".")
                                                    : std::filesystem::path(file.name).parent_path());
            ReplaceFileAtomically(file.name, file.bytes);
        }
    }
    std::map<std::string, Files> packages;
    std::map<std::string, bool> failing;
    std::vector<std::string> runs;
    std::vector<std::string> started;
};

class Owner : public ApplyOwner {
public:
    void RequestEnd() override { ++end_requests; }
    bool StopRequested() override { return stop && stop(); }
    int end_requests = 0;
    std::function<bool()> stop;
};

class ReceivedFiles : public ::testing::Test {
protected:
    void SetUp() override {
        TheApplyState() = ApplyState{};
        SetProgramStarter(&starter);
        for (const char* kind : {"1", "2", "3"}) WriteRecordFile(std::string("../Resources/0.") + kind + "cat", 14, {});
        WriteRecordFile("../Resources/0.cat", 14, {});
        WriteRecordFile("../Resources/Categ.txt", 4, {{"5", "0", "0", "Games"}});
        WriteRecordFile("../Resources/actualizado.fij", 1, {{"20261201"}});
    }
    void TearDown() override { SetProgramStarter(nullptr); }

    // Packages received in this order (newest first, as the update run does).
    void Receive(const std::vector<std::string>& days) {
        Records lines;
        for (const auto& day : days) {
            lines.push_back({day + ".exe"});
            installation.Write("Recibi/" + day + ".exe", "MZP package of " + day);
        }
        WriteRecordFile("../Recibi/archivos.new", 1, lines);
    }
    std::string LastApplied() { return installation.Read("Resources/actualizado.fij"); }

    test::ScratchInstallation installation;
    FakeStarter starter;
    Owner owner;
};

TEST_F(ReceivedFiles, NothingReceivedRunsAndWritesNothing) {
    WriteRecordFile("../Recibi/archivos.new", 1, {});
    ApplyReceivedFiles(owner, "20261208");
    EXPECT_TRUE(starter.runs.empty());
    EXPECT_EQ(LastApplied(), "1\r\n20261201\r\n");
    EXPECT_FALSE(FileExists("../Resources/today.1cat"));
    EXPECT_THROW(DeleteFile("../Recibi/archivos.new") ? ApplyReceivedFiles(owner, "20261208") : void(), FileError);
}

TEST_F(ReceivedFiles, PackagesAreAppliedOldestFirstAndTheLastDayIsRecorded) {
    starter.packages["20261202.exe"] = {{"20261202.1cat", DayList({Entry("5", "20")})}};
    starter.packages["20261203.exe"] = {{"20261203.1cat", DayList({Entry("5", "30")})},
                                        {"20261203.2cat", DayList({Entry("6", "31")})}};
    Receive({"20261203", "20261202"});
    ApplyReceivedFiles(owner, "20261203");
    EXPECT_EQ(starter.runs, (std::vector<std::string>{"20261202.exe", "20261203.exe"}));
    EXPECT_EQ(LastApplied(), "1\r\n20261203\r\n");
    EXPECT_EQ(test::EntryIds("../Resources/today.16"), std::vector<std::string>{"20"});
    EXPECT_EQ(test::EntryIds("../Resources/today.17"), std::vector<std::string>{"30"});
    EXPECT_EQ(test::EntryIds("../Resources/5.1cat"), (std::vector<std::string>{"20", "30"}));
    EXPECT_EQ(test::EntryIds("../Resources/6.2cat"), std::vector<std::string>{"31"});
    for (const char* left : {"../Recibi/20261202.exe", "../bin/20261203.exe", "../bin/20261203.1cat"})
        EXPECT_FALSE(FileExists(left)) << left;
}

TEST_F(ReceivedFiles, AFailedPackageIsNotRecordedAndStopsThePass) {
    starter.packages["20261203.exe"] = {{"20261203.1cat", DayList({Entry("5", "30")})}};
    starter.failing["20261202.exe"] = true;
    Receive({"20261203", "20261202"});
    EXPECT_THROW(ApplyReceivedFiles(owner, "20261203"), Error);
    EXPECT_EQ(starter.runs, std::vector<std::string>{"20261202.exe"});
    EXPECT_EQ(LastApplied(), "1\r\n20261201\r\n");
    EXPECT_FALSE(FileExists("../bin/20261202.exe"));
    EXPECT_TRUE(FileExists("../Recibi/20261203.exe"));
}

// Cancel between packages or between listed days: what is applied stays and
// is recorded, nothing more is applied, and the rest waits for the next run.
TEST_F(ReceivedFiles, AStopKeepsWhatIsAppliedAndAppliesNothingMore) {
    starter.packages["20261202.exe"] = {{"20261202.1cat", DayList({Entry("5", "20")})}};
    starter.packages["20261203.exe"] = {{"20261203.1cat", DayList({Entry("5", "30")})}};
    Receive({"20261203", "20261202"});
    owner.stop = [this] { return starter.runs.size() == 1; };
    EXPECT_THROW(ApplyReceivedFiles(owner, "20261203"), Stopped);
    EXPECT_EQ(starter.runs, std::vector<std::string>{"20261202.exe"});
    EXPECT_EQ(LastApplied(), "1\r\n20261202\r\n");
    EXPECT_TRUE(FileExists("../Recibi/20261203.exe"));

    WriteRecordFile("../bin/dias.lst", 1, {{"20261203"}, {"20261204"}});
    installation.Write("bin/20261203.1cat", DayList({Entry("5", "30")}));
    installation.Write("bin/20261204.1cat", DayList({Entry("5", "40")}));
    owner.stop = [this] { return FileExists("../Resources/5.1cat") && test::EntryIds("../Resources/5.1cat").size() == 2; };
    EXPECT_THROW(ApplyUnpackedDays(owner, "20261204", "20261202"), Stopped);
    EXPECT_EQ(test::EntryIds("../Resources/5.1cat"), (std::vector<std::string>{"20", "30"}));
    EXPECT_TRUE(FileExists("../bin/20261204.1cat"));
    EXPECT_TRUE(FileExists("../bin/dias.lst"));
}

TEST_F(ReceivedFiles, UnpackedDaysAfterTheLastUpdateAreAppliedAndOlderLeftoversDeleted) {
    WriteRecordFile("../bin/dias.lst", 1, {{"20261201"}, {"20261202"}, {"20261203"}});
    installation.Write("bin/20261201.1cat", DayList({Entry("5", "10")}));
    installation.Write("bin/20261201.cam", "5\r\n&ADDCAT&\r\n9\r\n0\r\n0\r\nNever\r\n");
    installation.Write("bin/20261202.1cat", DayList({Entry("5", "20")}));
    installation.Write("bin/20261203.2cat", DayList({Entry("5", "30")}));
    ApplyUnpackedDays(owner, "20261203", "20261201");
    EXPECT_FALSE(FileExists("../bin/20261201.1cat"));
    EXPECT_FALSE(FileExists("../bin/20261201.cam"));
    EXPECT_EQ(test::EntryIds("../Resources/5.1cat"), std::vector<std::string>{"20"});
    EXPECT_EQ(test::EntryIds("../Resources/5.2cat"), std::vector<std::string>{"30"});
    EXPECT_EQ(LastApplied(), "1\r\n20261203\r\n");
    EXPECT_FALSE(FileExists("../bin/dias.lst"));
    EXPECT_EQ(installation.Read("Resources/Categ.txt").find("Never"), std::string::npos);
}

TEST_F(ReceivedFiles, APackagesOwnDayComesBeforeItsDayIndex) {
    starter.packages["20261202.exe"] = {{"20261202.1cat", DayList({Entry("5", "20")})},
                                        {"dias.lst", RecordBytes(1, {{"20261202"}, {"20261203"}})},
                                        {"20261203.1cat", DayList({Entry("5", "30")})}};
    Receive({"20261202"});
    ApplyReceivedFiles(owner, "20261203");
    EXPECT_EQ(test::EntryIds("../Resources/today.16"), std::vector<std::string>{"20"});
    EXPECT_EQ(test::EntryIds("../Resources/today.17"), std::vector<std::string>{"30"});
    EXPECT_EQ(LastApplied(), "1\r\n20261203\r\n");
    EXPECT_FALSE(FileExists("../bin/dias.lst"));
}

TEST_F(ReceivedFiles, ADayIndexWithNothingLeftToApplyDoesNotBlockLaterDays) {
    WriteRecordFile("../bin/dias.lst", 1, {{"20261130"}, {"20261201"}});
    starter.packages["20261202.exe"] = {{"20261202.1cat", DayList({Entry("5", "20")})}};
    Receive({"20261202"});
    ApplyReceivedFiles(owner, "20261202");
    EXPECT_FALSE(FileExists("../bin/dias.lst"));
    // The pass that removed the stale index records the next package's day.
    starter.packages["20261203.exe"] = {{"20261203.1cat", DayList({Entry("5", "30")})}};
    Receive({"20261203"});
    ApplyReceivedFiles(owner, "20261203");
    EXPECT_EQ(LastApplied(), "1\r\n20261203\r\n");
}

TEST_F(ReceivedFiles, TheStartUpPassDiscardsPackagesAndInstallsNoDayList) {
    WriteRecordFile("../Recibi/listado.txt", 2, {{"20261202", "20261202"}, {"20261203", "20261203"}});
    Receive({"20261203", "20261202"});
    installation.Write("Recibi/20261203.exeQ", "partial");
    installation.Write("Recibi/20261202.exeP", "partial");
    installation.Write("bin/20261202.1cat", DayList({Entry("5", "20")}));
    installation.Write("bin/20261202.cam", "5\r\n&ADDCAT&\r\n9\r\n0\r\n0\r\nLeft over\r\n");
    ApplyReceivedFiles(owner, kStartUpDate);
    EXPECT_TRUE(starter.runs.empty());
    for (const char* gone : {"../Recibi/20261202.exe", "../Recibi/20261203.exe", "../Recibi/20261203.exeQ",
                             "../Recibi/20261202.exeP", "../bin/20261202.cam"})
        EXPECT_FALSE(FileExists(gone)) << gone;
    EXPECT_TRUE(FileExists("../bin/20261202.1cat"));
    EXPECT_FALSE(FileExists("../Resources/today.1cat"));
    EXPECT_NE(installation.Read("Resources/Categ.txt").find("Left over"), std::string::npos);
    EXPECT_EQ(LastApplied(), "1\r\n20261201\r\n");
}

// A killed write's temporaries are removed by the next update run, wherever
// they lie; a start does not walk the history folders for them.
TEST_F(ReceivedFiles, LeftTemporariesGoWithTheNextUpdateRunNotWithAStart) {
    const std::vector<std::string> left = {"Resources/Categ.txt.new~", "Resources/5/20.1cat.new~", "Def/x.new~"};
    for (const std::string& file : left) {
        std::filesystem::create_directories(std::filesystem::path(installation.Path(file)).parent_path());
        installation.Write(file, "half");
    }
    Receive({});
    WriteRecordFile("../Recibi/listado.txt", 2, {});
    ApplyReceivedFiles(owner, kStartUpDate);
    for (const std::string& file : left) EXPECT_TRUE(std::filesystem::exists(installation.Path(file))) << file;
    ApplyReceivedFiles(owner, "20261202");
    for (const std::string& file : left) EXPECT_FALSE(std::filesystem::exists(installation.Path(file))) << file;
    EXPECT_TRUE(FileExists("../Resources/Categ.txt"));
}

TEST_F(ReceivedFiles, ANewProgramFileWaitsForTheNextStart) {
    starter.packages["20261202.exe"] = {{"VeltoD.upd", "new program"}};
    starter.packages["20261203.exe"] = {{"20261203.1cat", DayList({Entry("5", "30")})}};
    installation.Write("bin/Veltodactualiz.exe", "older waiting program");
    Receive({"20261203", "20261202"});
    ApplyReceivedFiles(owner, "20261203");
    EXPECT_EQ(installation.Read("bin/Veltodactualiz.exe"), "new program");
    EXPECT_FALSE(FileExists("../bin/VeltoD.upd"));
    EXPECT_EQ(LastApplied(), "1\r\n20261203\r\n");
    EXPECT_EQ(owner.end_requests, 0);
}

TEST_F(ReceivedFiles, AnImmediateProgramUpdateRestartsAndLeavesLaterPackages) {
    starter.packages["20261202.exe"] = {{"Veltodactualiz.upd", "new program"}};
    starter.packages["20261203.exe"] = {{"20261203.1cat", DayList({Entry("5", "30")})}};
    Receive({"20261203", "20261202"});
    ApplyReceivedFiles(owner, "20261203");
    EXPECT_EQ(installation.Read("bin/Veltodactualiz.exe"), "new program");
    EXPECT_EQ(starter.started, std::vector<std::string>{"../bin/VeltoD.exe"});
    EXPECT_EQ(owner.end_requests, 1);
    EXPECT_EQ(starter.runs, std::vector<std::string>{"20261202.exe"});
    EXPECT_EQ(LastApplied(), "1\r\n20261202\r\n");
}

TEST_F(ReceivedFiles, DeliveredFilesMoveIntoTheTreeAndEscapesAreRefused) {
    starter.packages["20261202.exe"] = {{"Resources/new.gif", "GIF89a"},
                                        {"Def/Ban9.ban", "1\r\nx\r\n"},
                                        {"mover.new", RecordBytes(1, {{"Resources/new.gif"}, {"../outside"}, {"/tmp/x"},
                                                                      {"Def/Ban9.ban"}, {"Def\\Ban8.ban"}})}};
    Receive({"20261202"});
    try {
        ApplyReceivedFiles(owner, "20261202");
        ADD_FAILURE() << "the refusals were not reported";
    } catch (const Error& error) {
        const std::string text = error.what();
        EXPECT_NE(text.find("'../outside'"), std::string::npos) << text;
        EXPECT_NE(text.find("'/tmp/x'"), std::string::npos) << text;
        // Each refusal names its line and what is wrong with it.
        EXPECT_NE(text.find("mover.new line 6: 'Def\\Ban8.ban' holds a backslash: folders are separated by '/'"),
                  std::string::npos) << text;
        EXPECT_NE(text.find("mover.new line 4: '/tmp/x' is an absolute path"), std::string::npos) << text;
    }
    EXPECT_EQ(installation.Read("Resources/new.gif"), "GIF89a");
    EXPECT_EQ(installation.Read("Def/Ban9.ban"), "1\r\nx\r\n");
    EXPECT_FALSE(FileExists("../bin/mover.new"));
    EXPECT_EQ(LastApplied(), "1\r\n20261202\r\n");

    // A list met again (a pass run again) leaves files already moved alone.
    WriteRecordFile("../bin/mover.new", 1, {{"Resources/new.gif"}});
    WriteRecordFile("../Recibi/archivos.new", 1, {{"20261202.exe"}});
    ApplyReceivedFiles(owner, "20261202");
    EXPECT_EQ(installation.Read("Resources/new.gif"), "GIF89a");
}

TEST_F(ReceivedFiles, ATextBundleCreatesEachMemberWithoutItsHeaderLines) {
    installation.Write("bin/nuevo.lst",
                       "\r\nstray\r\n%nom%:a.txt\r\nPREFIX..\\Resources\\\r\nx\r\ny\r\n%nom%:b.txt\r\nPREFIX../Def/\r\nz\r\n"
                       "%nom%:escape.txt\r\nPREFIX../../\r\nbad\r\n%nom%:c.txt\r\nPREFIX../Resources/\r\n");
    EXPECT_THROW(UnpackTextBundle("../bin/nuevo.lst"), Error);
    EXPECT_EQ(installation.Read("Resources/a.txt"), "x\r\ny\r\n");
    EXPECT_EQ(installation.Read("Def/b.txt"), "z\r\n");
    EXPECT_EQ(installation.Read("Resources/c.txt"), "");
    EXPECT_FALSE(std::filesystem::exists(installation.Root().parent_path() / "escape.txt"));

    installation.Write("bin/nuevo.lst", "no header at all\r\nstill none\r\n");
    UnpackTextBundle("../bin/nuevo.lst");
}

TEST_F(ReceivedFiles, NamesCutShortByANulByteReachNoOtherFile) {
    const std::string nul(1, '\0');
    const std::string root = installation.Root().filename().string();
    const std::filesystem::path escape = installation.Root().parent_path() / (root + "-escape");
    // Checked whole, the member lands in Resources/; the system calls would
    // stop at the NUL, beside the installation.
    installation.Write("bin/nuevo.lst", "%nom%:" + root + "-escape" + nul + "/../" + root + "/Resources/z\r\nPREFIX../../\r\nx\r\n");
    EXPECT_THROW(UnpackTextBundle("../bin/nuevo.lst"), PackageError);
    EXPECT_FALSE(std::filesystem::exists(escape));
    EXPECT_FALSE(FileExists("../Resources/z"));
    std::filesystem::remove(escape);
    DeleteFile("../bin/nuevo.lst");

    // Listing and received names that would stop at a file of the installation.
    installation.Write("Recibi/espejos.fij", "1\r\nhttp://127.0.0.1/\r\n");
    WriteRecordFile("../Recibi/listado.txt", 2, {{"20261202", "espejos.fij" + nul}});
    WriteRecordFile("../Recibi/archivos.new", 1, {{"espejos.fij" + nul + ".exe"}});
    ApplyReceivedFiles(owner, kStartUpDate);
    EXPECT_TRUE(FileExists("../Recibi/espejos.fij"));
    ApplyReceivedFiles(owner, "20261202");
    EXPECT_TRUE(starter.runs.empty());
    EXPECT_EQ(installation.Read("Recibi/espejos.fij"), "1\r\nhttp://127.0.0.1/\r\n");
    EXPECT_EQ(LastApplied(), "1\r\n20261201\r\n");
}

// The update run applies unpacked days after the start-up pass has set its
// date: they are still applied whole, a day holding only a kind-3 list too.
TEST_F(ReceivedFiles, TheRunAppliesUnpackedDaysWholeAfterTheStartUpPass) {
    WriteRecordFile("../Recibi/listado.txt", 2, {});
    WriteRecordFile("../Recibi/archivos.new", 1, {});
    ApplyReceivedFiles(owner, kStartUpDate);
    WriteRecordFile("../bin/dias.lst", 1, {{"20261202"}, {"20261203"}});
    installation.Write("bin/20261202.1cat", DayList({Entry("5", "20")}));
    installation.Write("bin/20261203.3cat", DayList({Entry("5", "30")}));
    ApplyUnpackedDays(owner, "20261203", "20261201");
    EXPECT_EQ(test::EntryIds("../Resources/5.3cat"), std::vector<std::string>{"30"});
    EXPECT_EQ(LastApplied(), "1\r\n20261203\r\n");
    EXPECT_FALSE(FileExists("../bin/dias.lst"));
    EXPECT_FALSE(FileExists("../bin/20261203.3cat"));
}

// A listed day is recorded once applied, whatever it holds, so the index
// goes and later days are recorded: nothing is fetched and filed again.
TEST_F(ReceivedFiles, EveryListedDayIsRecordedSoTheIndexNeverBlocksLaterDays) {
    // The last listed day brings only a script.
    WriteRecordFile("../bin/dias.lst", 1, {{"20261202"}, {"20261203"}});
    installation.Write("bin/20261202.1cat", DayList({Entry("5", "20")}));
    installation.Write("bin/20261203.cam", RecordBytes(5, {{"&ADDCAT&", "9", "5", "1", "Late"}}));
    ApplyUnpackedDays(owner, "20261203", "20261201");
    EXPECT_EQ(LastApplied(), "1\r\n20261203\r\n");
    EXPECT_FALSE(FileExists("../bin/dias.lst"));
    starter.packages["20261204.exe"] = {{"20261204.1cat", DayList({Entry("5", "40")})}};
    Receive({"20261204"});
    ApplyReceivedFiles(owner, "20261204");
    EXPECT_EQ(LastApplied(), "1\r\n20261204\r\n");

    // A package whose index names just its own day.
    starter.packages["20261205.exe"] = {{"20261205.1cat", DayList({Entry("5", "50")})},
                                        {"dias.lst", RecordBytes(1, {{"20261205"}})}};
    Receive({"20261205"});
    ApplyReceivedFiles(owner, "20261205");
    EXPECT_EQ(LastApplied(), "1\r\n20261205\r\n");
    EXPECT_FALSE(FileExists("../bin/dias.lst"));
    EXPECT_EQ(test::EntryIds("../Resources/5.1cat"), (std::vector<std::string>{"20", "40", "50"}));
    const std::string categories = installation.Read("Resources/Categ.txt");
    EXPECT_NE(categories.find("Late"), std::string::npos);
    EXPECT_EQ(categories.find("Late"), categories.rfind("Late"));
}

// Blank lines of a day index are skipped; any other line that is not a day
// refuses the package before anything of it is applied, naming the day, the
// file and the line, and leaves nothing for a later pass.
TEST_F(ReceivedFiles, ADayIndexLineThatIsNotADayRefusesThePackage) {
    struct Case {
        std::string day, index, refusal;  // refusal empty: applied
    };
    const std::vector<Case> cases = {
        {"20261202", "1\r\n20261202\r\nabc\r\n", "line 3"},
        {"20261202", "1\r\n2026120\r\n", "line 2"},
        {"20261202", "1\r\n20261202\r\n\r\n", ""},
        {"20261203", "1\r\n\r\n20261203\r\n \r\n", ""},
    };
    for (const auto& c : cases) {
        starter.packages[c.day + ".exe"] = {{c.day + ".1cat", DayList({Entry("5", c.day.substr(6))})},
                                            {c.day + ".cam", RecordBytes(5, {{"&ADDCAT&", c.day, "5", "1", "New"}})},
                                            {"dias.lst", c.index}};
        Receive({c.day});
        const std::string before = LastApplied();
        if (c.refusal.empty()) {
            ApplyReceivedFiles(owner, c.day);
            EXPECT_EQ(LastApplied(), "1\r\n" + c.day + "\r\n");
            continue;
        }
        try {
            ApplyReceivedFiles(owner, c.day);
            ADD_FAILURE() << c.index;
        } catch (const Error& refusal) {
            const std::string text = refusal.what();
            for (const std::string& part : {c.day, std::string("dias.lst"), c.refusal})
                EXPECT_NE(text.find(part), std::string::npos) << text;
        }
        EXPECT_EQ(LastApplied(), before);
        EXPECT_FALSE(FileExists("../Resources/today.1cat"));
        EXPECT_EQ(installation.Read("Resources/Categ.txt").find("New"), std::string::npos);
        for (const std::string& left : {std::string("dias.lst"), c.day + ".1cat", c.day + ".cam"})
            EXPECT_FALSE(FileExists("../bin/" + left)) << left;
        // The start-up pass finds nothing of it to finish.
        WriteRecordFile("../Recibi/listado.txt", 2, {});
        ApplyReceivedFiles(owner, kStartUpDate);
        EXPECT_EQ(installation.Read("Resources/Categ.txt").find("New"), std::string::npos);
    }
    EXPECT_EQ(test::EntryIds("../Resources/5.1cat"), (std::vector<std::string>{"02", "03"}));
}

// The journal of an update script protects one application of its day: once
// the day is recorded it goes, so a script delivered again later works on the
// files as they are then instead of bringing back their old contents.
TEST_F(ReceivedFiles, AScriptJournalProtectsOneApplicationOfItsDayOnly) {
    starter.packages["20261202.exe"] = {
        {"20261202.cam", RecordBytes(5, {{"&CONTAD&", "http://n", "", "", ""}, {"&RENCAT&", "5", "Board", "", ""}})}};
    Receive({"20261202"});
    ApplyReceivedFiles(owner, "20261202");
    EXPECT_FALSE(FileExists("../Resources/script.jnl"));
    installation.Write("Recibi/proxy.con", "proxy\r\n8080\r\nme\r\n\r\nhttp://n\r\n");
    AppendToFile("../Resources/Categ.txt", "6\r\n0\r\n0\r\nMine\r\n");
    Receive({"20261202"});
    ApplyReceivedFiles(owner, "20261202");
    EXPECT_EQ(installation.Read("Recibi/proxy.con"), "proxy\r\n8080\r\nme\r\n\r\nhttp://n\r\n");
    EXPECT_NE(installation.Read("Resources/Categ.txt").find("Mine"), std::string::npos);

    // A journal of a day already recorded (a pass stopped just after
    // recording it) is removed by the next pass, never replayed.
    installation.Write("Resources/script.jnl", "12\n20261202.cam0\n22\n../Resources/Categ.txt3\n4\r\n");
    WriteRecordFile("../Recibi/archivos.new", 1, {});
    ApplyReceivedFiles(owner, "20261202");
    EXPECT_FALSE(FileExists("../Resources/script.jnl"));
    EXPECT_NE(installation.Read("Resources/Categ.txt").find("Mine"), std::string::npos);
}

// A link inside the installation (made by the user or an earlier package)
// never lets a bundle member or a delivered file land outside it.
TEST_F(ReceivedFiles, LinksInsideTheInstallationLeadNothingOut) {
    const std::filesystem::path outside = installation.Root().string() + "-outside";
    std::filesystem::create_directories(outside);
    std::filesystem::create_symlink(outside, installation.Path("Resources/out"));
    std::filesystem::create_directories(installation.Path("Resources/sub"));
    std::filesystem::create_symlink("sub", installation.Path("Resources/in"));
    installation.Write("bin/nuevo.lst", "%nom%:x.txt\r\nPREFIX../Resources/out/\r\nbad\r\n"
                                        "%nom%:y.txt\r\nPREFIX../Resources/in/\r\ngood\r\n");
    EXPECT_THROW(UnpackTextBundle("../bin/nuevo.lst"), PackageError);
    EXPECT_EQ(installation.Read("Resources/sub/y.txt"), "good\r\n");

    starter.packages["20261202.exe"] = {{"Resources/out/pic.gif", "GIF89a"},
                                        {"mover.new", RecordBytes(1, {{"Resources/out/pic.gif"}})}};
    std::filesystem::create_directories("Resources/out");
    Receive({"20261202"});
    try {
        ApplyReceivedFiles(owner, "20261202");
        ADD_FAILURE() << "the refusal was not reported";
    } catch (const Error& refusal) {
        EXPECT_NE(std::string(refusal.what()).find("'Resources/out/pic.gif'"), std::string::npos) << refusal.what();
    }
    EXPECT_TRUE(std::filesystem::is_empty(outside));
    std::filesystem::remove_all(outside);
}

// The apply runs in a child process that ends itself before its n-th file
// operation; the next start's pass and the next update run (which fetches
// again every package after the recorded day) must end in the catalogue of
// an apply that was never interrupted.
class CrashConsistency : public ::testing::Test {
protected:
    void SetUp() override {
        const char* stage = std::getenv("VELTOD_STAGE");
        ASSERT_NE(stage, nullptr);
        runner = std::string(stage) + "/bin/veltod-unpack";
        ASSERT_TRUE(FileExists(runner)) << runner;
        MakeKeyPair(public_key, secret_key);
        const std::string cam = RecordBytes(5, {{"&QUIFIL&", "5", "2", "1", ""},
                                                {"&ADDCAT&", "7", "5", "1", "Chess"},
                                                {"&CONTAD&", "http://127.0.0.1/n", "", "", ""}});
        packages["20261202"] = BuildPackage(
            {{"20261202.1cat", DayList({Entry("5", "23"), Entry("5", "21"), Entry("6", "22")})},
             {"20261202.2cat", DayList({Entry("7", "24")})},
             {"20261202.cam", cam},
             {"nuevo.lst", "%nom%:note.txt\r\nPREFIX../Resources/\r\nhello\r\n"},
             {"Resources/pic.gif", "GIF89a"},
             {"mover.new", RecordBytes(1, {{"Resources/pic.gif"}})}},
            secret_key);
        packages["20261203"] = BuildPackage(
            {{"20261203.1cat", DayList({Entry("5", "31"), Entry("8", "30")})},
             {"dias.lst", RecordBytes(1, {{"20261203"}, {"20261204"}})},
             {"20261204.3cat", DayList({Entry("5", "40")})},
             {"20261204.cam", RecordBytes(5, {{"&RENCAT&", "5", "Board games", "", ""}})}},
            secret_key);
    }

    void Prepare() {
        test::PrepareApplyTree(root(), runner, public_key);
        WriteRecordFile("../Resources/actualizado.fij", 1, {{"20261201"}});
        WriteRecordFile("../Recibi/listado.txt", 2, {{"20261202", "20261202"}, {"20261203", "20261203"}});
        TheApplyState() = ApplyState{};
    }

    // What the update run does: fetch every listed package after the last
    // applied day, newest first, then apply.
    void UpdateRun() {
        TheApplyState().ApplyDate.clear();
        RecordTable applied;
        ReadRecordFile("../Resources/actualizado.fij", applied);
        const std::string last = applied.FieldString(0, 0);
        ApplyUnpackedDays(owner, "20261204", last);
        ReadRecordFile("../Resources/actualizado.fij", applied);
        Records received;
        for (auto it = packages.rbegin(); it != packages.rend(); ++it) {
            if (it->first <= applied.FieldString(0, 0)) continue;
            ReplaceFileAtomically("../Recibi/" + it->first + ".exe", it->second + "\r\n");
            received.push_back({it->first + ".exe"});
        }
        WriteRecordFile("../Recibi/archivos.new", 1, received);
        ApplyReceivedFiles(owner, "20261204");
    }

    std::string Catalogue() {
        std::string all;
        std::vector<std::filesystem::path> files;
        for (const auto& folder : {"Resources", "Recibi"})
            for (const auto& entry : std::filesystem::directory_iterator(root() / folder)) files.push_back(entry.path());
        std::sort(files.begin(), files.end());
        for (const auto& file : files) {
            const std::string name = file.filename().string();
            if (name == "archivos.new" || name == "script.jnl") continue;
            all += name + "\n" + ReadWholeFile(file.string()) + "\n";
        }
        return all;
    }

    std::filesystem::path root() { return installation.Root() / "crash"; }
    void TearDown() override {
        SetPackageRunnerPath("");
        std::filesystem::current_path(installation.Root() / "bin");
    }

    test::ScratchInstallation installation;
    std::string runner, public_key, secret_key;
    std::map<std::string, std::string> packages;
    Owner owner;
};

// Atomic: a day list is filed on a second thread while its days rotate.
std::atomic<int> steps_left = 0;
void EndProcess() {
    if (--steps_left < 0) ::_exit(42);
}

TEST_F(CrashConsistency, AnApplyKilledAtAnyPointAndRunAgainEndsTheSame) {
    Prepare();
    UpdateRun();
    const std::string expected = Catalogue();
    ASSERT_NE(expected.find("Board games"), std::string::npos);
    ASSERT_NE(expected.find("actualizado.fij\n1\r\n20261204\r\n"), std::string::npos) << expected;

    int killed = 0;
    // Every fourth point of the about one hundred keeps the test short; each
    // point costs a whole apply with its disk flushes.
    for (int limit = 0; limit < 400; limit += 4) {
        Prepare();
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            steps_left = limit;
            SetApplyStepHook(EndProcess);
            try {
                UpdateRun();
            } catch (...) {
                ::_exit(1);
            }
            ::_exit(0);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        if (WEXITSTATUS(status) == 0) break;
        ASSERT_EQ(WEXITSTATUS(status), 42) << "the apply failed before step " << limit;
        ++killed;
        // The next start, then the next update run.
        TheApplyState() = ApplyState{};
        ApplyReceivedFiles(owner, kStartUpDate);
        UpdateRun();
        EXPECT_EQ(Catalogue(), expected) << "killed before step " << limit;
        if (HasFailure()) break;
    }
    EXPECT_GT(killed, 20);
}

}  // namespace
}  // namespace veltod
