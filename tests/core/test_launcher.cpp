// The launcher's handling of a user's tree: made from the shipped copy on the
// first start, run as it is later, and upgraded after a package upgrade
// without touching the user's data. The shipped "program" is a script that
// records which tree it was started in.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void Write(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

class Launcher : public ::testing::Test {
protected:
    Launcher() : root(scratch.Root()) {
        ShipVersion("1.0", "program 1.0");
        Write(root / "share/veltod/Resources/Categ.txt", "shipped categories");
        Write(root / "share/veltod/Recibi/proxy.con", "shipped settings");
        Write(root / "share/veltod/bin/veltod.pub", "key 1.0");
    }

    // The shipped copy of a version: its stamp, and programs that say which
    // version they are and where they were started.
    void ShipVersion(const std::string& version, const std::string& program) {
        Write(root / "share/veltod/shipped-version", version + "\n");
        Write(root / "lib/veltod/VeltoD.exe", "#!/bin/sh\n# " + program +
                                                  "\npwd > \"$(dirname \"$0\")/../started\"\necho \"$@\" >> \"$(dirname \"$0\")/../arguments\"\n");
        Write(root / "lib/veltod/veltod-unpack", "#!/bin/sh\n# runner " + version + "\n");
        fs::permissions(root / "lib/veltod/VeltoD.exe", fs::perms(0755));
        fs::permissions(root / "lib/veltod/veltod-unpack", fs::perms(0755));
    }

    // Runs the launcher on the given tree with the options and variables;
    // its exit status.
    int Start(const fs::path& tree, const std::string& options = "", const std::string& variables = "") {
        const std::string launcher = std::string(std::getenv("VELTOD_SOURCE_DIR")) + "/packaging/veltod.sh";
        const std::string command = variables + " VELTOD_SHIPPED_DATA='" + (root / "share/veltod").string() +
                                    "' VELTOD_SHIPPED_PROGRAMS='" + (root / "lib/veltod").string() + "' sh '" +
                                    launcher + "' --home '" + tree.string() + "' " + options + " 2>/dev/null";
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    veltod::test::ScratchInstallation scratch;
    fs::path root;
};

TEST_F(Launcher, FirstStartMakesTheTreeLaterStartsRunItAsItIs) {
    const fs::path tree = root / "home/veltod";
    ASSERT_EQ(Start(tree), 0);
    EXPECT_TRUE(fs::exists(tree / "started"));
    EXPECT_EQ(Read(tree / "Resources/Categ.txt"), "shipped categories");
    EXPECT_NE(Read(tree / "bin/VeltoD.exe").find("program 1.0"), std::string::npos);
    EXPECT_FALSE(fs::exists(root / "home/veltod.new~"));

    // The user's data and a self-updated program survive a later start.
    Write(tree / "Resources/Categ.txt", "the user's categories");
    Write(tree / "bin/VeltoD.exe", "#!/bin/sh\n# self-updated\n");
    ASSERT_EQ(Start(tree), 0);
    EXPECT_EQ(Read(tree / "Resources/Categ.txt"), "the user's categories");
    EXPECT_NE(Read(tree / "bin/VeltoD.exe").find("self-updated"), std::string::npos);
}

TEST_F(Launcher, PackageUpgradeTakesTheProgramsAndKeepsTheUsersData) {
    const fs::path tree = root / "home/veltod";
    ASSERT_EQ(Start(tree), 0);
    Write(tree / "Resources/Categ.txt", "the user's categories");
    Write(tree / "Recibi/proxy.con", "the user's settings");
    ShipVersion("2.0", "program 2.0");
    Write(root / "share/veltod/bin/veltod.pub", "key 2.0");
    Write(root / "share/veltod/Resources/new.gif", "a new picture");

    ASSERT_EQ(Start(tree), 0);
    EXPECT_NE(Read(tree / "bin/VeltoD.exe").find("program 2.0"), std::string::npos);
    EXPECT_NE(Read(tree / "bin/veltod-unpack").find("runner 2.0"), std::string::npos);
    EXPECT_EQ(Read(tree / "bin/veltod.pub"), "key 2.0");
    EXPECT_EQ(Read(tree / "Resources/new.gif"), "a new picture");
    EXPECT_EQ(Read(tree / "Resources/Categ.txt"), "the user's categories");
    EXPECT_EQ(Read(tree / "Recibi/proxy.con"), "the user's settings");
    EXPECT_EQ(Read(tree / "shipped-version"), "2.0\n");
}

// Trees whose programs the launcher must not replace, and a folder it must
// not take over.
TEST_F(Launcher, LeavesAloneWhatItDidNotMakeOrWhatIsUnderWay) {
    struct Case {
        const char* what;
        const char* file;  // written into the tree before the upgrade
        bool stamp_kept;   // the tree keeps its shipped-version
    };
    for (const Case& c : {Case{"a self-update swap under way", "bin/Veltodactualiz.exe", true},
                          Case{"a tree the launcher did not make", nullptr, false}}) {
        SCOPED_TRACE(c.what);
        const fs::path tree = root / "home" / c.what;
        ShipVersion("1.0", "program 1.0");
        ASSERT_EQ(Start(tree), 0);
        Write(tree / "bin/VeltoD.exe", "#!/bin/sh\n# the tree's own\n");
        if (c.file) Write(tree / c.file, "waiting");
        if (!c.stamp_kept) fs::remove(tree / "shipped-version");
        ShipVersion("2.0", "program 2.0");
        ASSERT_EQ(Start(tree), 0);
        EXPECT_NE(Read(tree / "bin/VeltoD.exe").find("the tree's own"), std::string::npos);
    }

    const fs::path foreign = root / "home/foreign";
    Write(foreign / "notes.txt", "not an installation");
    EXPECT_EQ(Start(foreign), 1);
    EXPECT_EQ(Read(foreign / "notes.txt"), "not an installation");
    EXPECT_FALSE(fs::exists(foreign / "bin"));
}

// --update reaches the program; --daily turns the user's timer on and off
// through systemctl, the tree named in a drop-in the timer's service reads.
TEST_F(Launcher, UpdateReachesTheProgramAndDailyDrivesTheUsersTimer) {
    const fs::path tree = root / "home/my tree %h";
    ASSERT_EQ(Start(tree, "--update"), 0);
    EXPECT_EQ(Read(tree / "arguments"), "--update\n");

    Write(root / "path/systemctl", "#!/bin/sh\necho \"$@\" >> \"$(dirname \"$0\")/calls\"\n");
    fs::permissions(root / "path/systemctl", fs::perms(0755));
    const std::string variables = "PATH='" + (root / "path").string() + ":/usr/bin:/bin' XDG_CONFIG_HOME='" +
                                  (root / "config").string() + "'";
    const fs::path dropin = root / "config/systemd/user/veltod-update.service.d/home.conf";
    ASSERT_EQ(Start(tree, "--daily on", variables), 0);
    EXPECT_EQ(Read(root / "path/calls"), "--user daemon-reload\n--user enable --now veltod-update.timer\n");
    EXPECT_EQ(Read(dropin), "[Service]\nEnvironment=\"VELTOD_HOME=" + (root / "home/my tree %%h").string() + "\"\n");
    ASSERT_EQ(Start(tree, "--daily off", variables), 0);
    EXPECT_EQ(Read(root / "path/calls"),
              "--user daemon-reload\n--user enable --now veltod-update.timer\n--user disable --now veltod-update.timer\n");
    EXPECT_FALSE(fs::exists(dropin));
    EXPECT_EQ(Start(tree, "--daily sometimes", variables), 2);
    // The program was started only for --update.
    EXPECT_EQ(Read(tree / "arguments"), "--update\n");
}

// The units as shipped, with the service's command made an absolute path to
// a stand-in (systemd looks a bare name up where the package installs it).
TEST(DailyTimer, BothUnitsPassSystemdAnalyzeVerify) {
    veltod::test::ScratchInstallation scratch;
    const fs::path units = std::string(std::getenv("VELTOD_SOURCE_DIR")) + "/packaging/systemd";
    const fs::path dir = scratch.Root() / "units";
    Write(dir / "veltod", "#!/bin/sh\n");
    fs::permissions(dir / "veltod", fs::perms(0755));
    std::string service = Read(units / "veltod-update.service");
    const std::string command = "ExecStart=veltod --update";
    ASSERT_NE(service.find(command), std::string::npos);
    service.replace(service.find(command), command.size(), "ExecStart=" + (dir / "veltod").string() + " --update");
    Write(dir / "veltod-update.service", service);
    fs::copy_file(units / "veltod-update.timer", dir / "veltod-update.timer");
    fs::create_directories(scratch.Root() / "runtime");
    const std::string verify = "XDG_RUNTIME_DIR='" + (scratch.Root() / "runtime").string() +
                               "' systemd-analyze --user --man=no verify '" + (dir / "veltod-update.service").string() +
                               "' '" + (dir / "veltod-update.timer").string() + "' > '" +
                               (scratch.Root() / "said").string() + "' 2>&1";
    const int status = std::system(verify.c_str());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << Read(scratch.Root() / "said");
    EXPECT_EQ(Read(scratch.Root() / "said"), "");
}

}  // namespace
