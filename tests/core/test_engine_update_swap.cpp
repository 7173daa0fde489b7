#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/platform/errors.h"
#include "core/platform/file_io.h"
#include "core/platform/program_start.h"
#include "core/records/record_file.h"
#include "core/shell/engine_update_swap.h"
#include "support/fake_seams.h"
#include "support/temp_dir.h"

namespace veltod {
namespace {

class RecordingStarter : public ProgramStarter {
public:
    void Start(const std::string& path) override {
        if (path == refuse_start) throw Error("Cannot start " + path + ": Exec format error");
        started.push_back(path);
    }
    std::string refuse_start;
    void RunAndWait(const std::string& path, int) override { ran.push_back(path); }
    std::string RunForAnswer(const std::string& path, const std::string& argument, int timeout) override {
        if (real_check) return ProcessStarter().RunForAnswer(path, argument, timeout);
        return kSelfCheckAnswer;
    }
    bool real_check = false;
    std::vector<std::string> started;
    std::vector<std::string> ran;
};

class CountingOwner : public ApplyOwner {
public:
    void RequestEnd() override { ++end_requests; }
    int end_requests = 0;
};

class Swap : public ::testing::Test {
protected:
    void SetUp() override {
        SetProgramStarter(&starter);
        // What the start-up pass works on: a package left in Recibi/ by an
        // update that did not finish is discarded by it.
        WriteRecordFile("../Recibi/archivos.new", 1, {{"20261202.exe"}});
        WriteRecordFile("../Recibi/listado.txt", 2, {{"20261202", "20261202"}});
        WriteRecordFile("../Resources/actualizado.fij", 1, {{"20261201"}});
        installation.Write("Recibi/20261202.exe", "MZP left over");
    }
    void TearDown() override { SetProgramStarter(nullptr); }

    // One start of whichever copy the previous start handed over to.
    void Start() {
        starter.started.clear();
        seams.dialogs.shown.clear();
        owner.end_requests = 0;
        EngineUpdateSwap(owner);
    }
    std::vector<std::string> Programs() {
        std::vector<std::string> names;
        for (const char* name : {"VeltoD.exe", "Veltodactualiz.exe", "Veltodcambio.exe", "Veltodviejo.exe", "Veltodrechazado.exe"})
            if (FileExists(std::string("./") + name)) names.push_back(name + ("=" + installation.Read(std::string("bin/") + name)));
        return names;
    }
    std::vector<std::string> Messages() {
        std::vector<std::string> texts;
        for (const auto& shown : seams.dialogs.shown) texts.push_back(shown.title + ": " + shown.text);
        return texts;
    }
    bool StartUpPassRan() { return !FileExists("../Recibi/20261202.exe"); }

    test::ScratchInstallation installation;
    test::SeamsGuard seams;
    RecordingStarter starter;
    CountingOwner owner;
};

TEST_F(Swap, FourStartsPutTheNewProgramInPlaceAndTheLastRunsTheStartUpPass) {
    installation.Write("bin/VeltoD.exe", "old");
    installation.Write("bin/Veltodactualiz.exe", "new");

    Start();
    EXPECT_EQ(Messages(), std::vector<std::string>{"ENGINE UPDATE NEEDED: VeltoDownload will be updated to a newer version."});
    EXPECT_EQ(Programs(), (std::vector<std::string>{"VeltoD.exe=old", "Veltodcambio.exe=new"}));
    EXPECT_EQ(starter.started, std::vector<std::string>{"./Veltodcambio.exe"});
    EXPECT_EQ(owner.end_requests, 1);
    EXPECT_FALSE(StartUpPassRan());

    Start();
    EXPECT_EQ(Messages(), std::vector<std::string>{"ENGINE UPDATE NEEDED: VeltoDownload is updated to version: 1.3.5 34 beta"});
    EXPECT_EQ(Programs(), (std::vector<std::string>{"Veltodcambio.exe=new", "Veltodviejo.exe=old"}));
    EXPECT_EQ(starter.started, std::vector<std::string>{"./Veltodviejo.exe"});
    EXPECT_EQ(owner.end_requests, 1);

    Start();
    EXPECT_TRUE(Messages().empty());
    EXPECT_EQ(Programs(), (std::vector<std::string>{"VeltoD.exe=new", "Veltodviejo.exe=old"}));
    EXPECT_EQ(starter.started, std::vector<std::string>{"./VeltoD.exe"});
    EXPECT_FALSE(StartUpPassRan());

    Start();
    EXPECT_TRUE(Messages().empty());
    EXPECT_EQ(Programs(), std::vector<std::string>{"VeltoD.exe=new"});
    EXPECT_TRUE(starter.started.empty());
    EXPECT_EQ(owner.end_requests, 0);
    EXPECT_TRUE(StartUpPassRan());
}

TEST_F(Swap, AnOrdinaryStartOnlyRunsTheStartUpPassAndAnotherNameDoesNothing) {
    installation.Write("bin/VeltoD.exe", "program");
    Start();
    EXPECT_TRUE(Messages().empty());
    EXPECT_TRUE(starter.started.empty());
    EXPECT_TRUE(StartUpPassRan());

    // Running under another name with a new program waiting: no step applies,
    // and not even the start-up pass runs.
    installation.Write("Recibi/20261202.exe", "MZP left over");
    std::filesystem::rename(installation.Path("bin/VeltoD.exe"), installation.Path("bin/other.exe"));
    installation.Write("bin/Veltodactualiz.exe", "new");
    Start();
    EXPECT_TRUE(Messages().empty());
    EXPECT_EQ(Programs(), std::vector<std::string>{"Veltodactualiz.exe=new"});
    EXPECT_FALSE(StartUpPassRan());
}

TEST_F(Swap, AFailedFirstRenameIsAnErrorThatLeavesEverythingForTheNextStart) {
    installation.Write("bin/VeltoD.exe", "old");
    installation.Write("bin/Veltodactualiz.exe", "new");
    // A folder in the way of the new copy's name.
    std::filesystem::create_directories(installation.Path("bin/Veltodcambio.exe/inside"));
    EXPECT_THROW(Start(), FileError);
    EXPECT_EQ(Programs(), (std::vector<std::string>{"VeltoD.exe=old", "Veltodactualiz.exe=new"}));
    EXPECT_TRUE(starter.started.empty());
    EXPECT_EQ(owner.end_requests, 0);
    EXPECT_FALSE(StartUpPassRan());
}

// A received program that cannot run here never takes the program's name:
// it fails its self-check before the first rename, or its start fails during
// a hand-over and the running copy takes the name back. Either way the user
// is told and the next start finds a program that runs.
TEST_F(Swap, AProgramThatCannotRunIsPutAsideAndTheOldOneKeepsItsName) {
    // Told in the error box, which has no title of its own.
    const std::string refused = ": The new version received by the update cannot run here; "
                                "VeltoDownload keeps its current version. ";
    struct Case {
        const char* waiting;     // the received program, "" for none
        const char* new_copy;    // a hand-over under way, "" for none
        const char* old_copy;
        const char* refuse;      // the start that fails
        std::vector<std::string> programs;
        const char* reason;
    } cases[] = {
        // Empty, or a script without its interpreter line: exec refuses both.
        {"", nullptr, nullptr, "", {"VeltoD.exe=old", "Veltodrechazado.exe="}, "Cannot start ./Veltodactualiz.exe: Exec format error"},
        {"garbage", nullptr, nullptr, "", {"VeltoD.exe=old", "Veltodrechazado.exe=garbage"}, "Cannot start ./Veltodactualiz.exe: Exec format error"},
        // The first hand-over's start fails after the check.
        {"new", nullptr, nullptr, "./Veltodcambio.exe", {"VeltoD.exe=old", "Veltodrechazado.exe=new"}, "Cannot start ./Veltodcambio.exe: Exec format error"},
        // The last hand-over's start fails: the old program, running as the old copy, takes its name back.
        {nullptr, "new", "old", "./VeltoD.exe", {"VeltoD.exe=old", "Veltodrechazado.exe=new"}, "Cannot start ./VeltoD.exe: Exec format error"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reason);
        for (const char* name : {"VeltoD.exe", "Veltodactualiz.exe", "Veltodcambio.exe", "Veltodviejo.exe", "Veltodrechazado.exe"})
            std::filesystem::remove(installation.Path(std::string("bin/") + name));
        if (c.waiting) {
            installation.Write("bin/VeltoD.exe", "old");
            installation.Write("bin/Veltodactualiz.exe", c.waiting);
        } else {
            installation.Write("bin/Veltodcambio.exe", c.new_copy);
            installation.Write("bin/Veltodviejo.exe", c.old_copy);
        }
        starter.real_check = c.waiting && std::string(c.refuse).empty();
        starter.refuse_start = c.refuse;
        Start();
        EXPECT_EQ(Programs(), c.programs);
        ASSERT_FALSE(Messages().empty());
        EXPECT_EQ(Messages().back(), refused + c.reason);
        EXPECT_TRUE(starter.started.empty());
        EXPECT_EQ(owner.end_requests, 0);
    }
}

}  // namespace
}  // namespace veltod
