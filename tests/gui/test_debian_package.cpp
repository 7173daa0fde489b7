// The Debian package as a user meets it: built by CPack from this build,
// checked by Debian's own tools, unpacked into a scratch root (the machine's
// package database is never touched) and started through its launcher by an
// account that cannot write the shipped files, under Xvfb. That user's Update
// lands in that user's tree and nowhere else; a second user starts clean.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QImage>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "support/debian_build.h"
#include "support/demo_mirror.h"
#include "support/real_screen.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using namespace veltod::test;

// One account of the test: a uid of its own, an empty data folder and the
// runtime folder a desktop session gives, and no home folder it could write to.
struct Account {
    Account(const fs::path& scratch, int uid)
        : uid(uid), data(scratch / ("data-" + std::to_string(uid))), runtime(scratch / ("run-" + std::to_string(uid))) {
        for (const fs::path& folder : {data, runtime}) {
            fs::create_directories(folder);
            if (::chown(folder.c_str(), uid, uid) != 0) throw std::runtime_error("chown " + folder.string());
        }
        fs::permissions(runtime, fs::perms(0700));
    }
    fs::path Tree() const { return data / "veltod"; }
    // The launcher as this account on the display, with only the environment
    // a desktop session gives.
    std::vector<std::string> Command(const fs::path& root, const std::string& display) const {
        const std::string id = std::to_string(uid);
        return {"setpriv", "--reuid=" + id, "--regid=" + id, "--clear-groups", "env", "-i", "HOME=/nonexistent",
                "PATH=/usr/bin:/bin", "XDG_DATA_HOME=" + data.string(),
                "XDG_RUNTIME_DIR=" + runtime.string(), "DISPLAY=" + display, "QT_QPA_PLATFORM=xcb",
                (root / "usr/bin/veltod").string()};
    }
    int uid;
    fs::path data;
    fs::path runtime;
};

class DebianPackage : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* tool : {"cpack", "lintian", "desktop-file-validate", "appstreamcli", "setpriv", "Xvfb",
                                 "xwininfo", "xdotool"})
            ASSERT_FALSE(Shell(std::string("command -v ") + tool).empty())
                << tool << " is missing (scripts/install-deps.sh)";
        ASSERT_EQ(::geteuid(), 0u) << "the test starts the program as other accounts";
        const char* stage_variable = std::getenv("VELTOD_STAGE");
        ASSERT_NE(stage_variable, nullptr);
        stage = stage_variable;
        char pattern[] = "/tmp/veltod-package-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        scratch = pattern;
        fs::permissions(scratch, fs::perms(0755));
    }
    void TearDown() override {
        std::error_code ignored;
        if (!scratch.empty()) fs::remove_all(scratch, ignored);
    }

    // The program's package of this build, in the scratch folder.
    fs::path BuildPackage() const {
        std::string log;
        const auto packages = BuildDebianPackages(stage, scratch / "package", log);
        if (packages.count("veltod") && packages.count("veltod-mirror")) {
            // The mirror's package is held to warnings too: its maintainer
            // script is hand-written.
            const std::string mirror = Shell("lintian --fail-on error,warning --tag-display-limit 0 " +
                                             packages.at("veltod-mirror").string() + " 2>/dev/null; echo status=$?");
            EXPECT_NE(mirror.find("status=0"), std::string::npos) << mirror;
            return packages.at("veltod");
        }
        ADD_FAILURE() << "the two packages were not built:\n" << log;
        return {};
    }

    fs::path stage;
    fs::path scratch;
};

// Debian's checks pass on the package, and every account can read what it
// unpacks to.
void CheckPackageFiles(const fs::path& deb, const fs::path& root) {
    // lintian exits non-zero on any error; its root warning goes to stderr.
    const std::string lintian = Shell("lintian --tag-display-limit 0 " + deb.string() + " 2>/dev/null; echo status=$?");
    EXPECT_NE(lintian.find("status=0"), std::string::npos) << lintian;
    EXPECT_EQ(lintian.find("\nE: "), std::string::npos) << lintian;

    const fs::path desktop = root / "usr/share/applications/example.veltod.VeltoD.desktop";
    EXPECT_EQ(Shell("desktop-file-validate " + desktop.string() + " 2>&1; echo status=$?"), "status=0\n");
    const std::string appstream =
        Shell("appstreamcli validate --no-net " + (root / "usr/share/metainfo/example.veltod.VeltoD.metainfo.xml").string() +
              " 2>&1; echo status=$?");
    EXPECT_NE(appstream.find("status=0"), std::string::npos) << appstream;
    for (const char* page : {"veltod", "veltod-unpack"})
        EXPECT_TRUE(fs::exists(root / "usr/share/man/man1" / (std::string(page) + ".1.gz"))) << page;
    for (const char* size : {"48x48", "128x128", "256x256"}) {
        const QImage icon(QString::fromStdString((root / "usr/share/icons/hicolor" / size / "apps/veltod.png").string()));
        EXPECT_EQ(std::to_string(icon.width()) + "x" + std::to_string(icon.height()), size);
    }

    // Every account can read the shipped tree: folders and programs 0755,
    // everything else 0644.
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (entry.is_symlink()) continue;
        const auto mode = fs::status(entry.path()).permissions() & fs::perms::all;
        const bool program = entry.is_directory() || entry.path().parent_path().filename() == "bin" ||
                             entry.path().parent_path() == root / "usr/lib/veltod";
        const bool key = entry.path().filename() == "veltod.pub";
        EXPECT_EQ(mode, program && !key ? fs::perms(0755) : fs::perms(0644)) << entry.path();
    }
}

// One test, since building and checking the package is most of its time.
TEST_F(DebianPackage, PassesDebiansChecksAndEachAccountUpdatesItsOwnTree) {
    const fs::path deb = BuildPackage();
    ASSERT_FALSE(deb.empty());
    const fs::path root = scratch / "root";
    Shell("dpkg-deb -x " + deb.string() + " " + root.string());
    CheckPackageFiles(deb, root);
    // In a Wayland session the windows are placed through Xwayland.
    EXPECT_EQ(Shell("dpkg-deb -f " + deb.string() + " Recommends"), "xwayland, qt6-wayland\n");
    const std::string shipped_listing = Shell("cd " + root.string() + " && find . -printf '%p %s %T@ %m\\n' | sort");
    const DemoMirror mirror(stage);
    const Account first(scratch, 65534), second(scratch, 65533);
    const int background_width =
        QImage(QString::fromStdString((root / "usr/share/veltod/Resources/fondobin.gif").string())).width();

    VirtualScreen screen;
    ASSERT_FALSE(screen.Display().empty()) << "Xvfb did not start";
    const std::string display = screen.Display();
    const fs::path marker = scratch / "marker";
    WriteBytes(marker, "");

    // First start: the tree is made from the shipped copy.
    {
        Child program(first.Command(root, display), {});
        ASSERT_TRUE(program.Started());
        ASSERT_GT(WaitForMainWindow(display, background_width).width, 0) << "the first start showed no main window";
    }
    ASSERT_TRUE(fs::exists(first.Tree() / "bin/VeltoD.exe"));
    EXPECT_EQ(ReadBytes(first.Tree() / "Resources/actualizado.fij"),
              ReadBytes(root / "usr/share/veltod/Resources/actualizado.fij"));
    struct stat tree_owner {};
    ASSERT_EQ(::stat((first.Tree() / "Resources/Categ.txt").c_str(), &tree_owner), 0);
    EXPECT_EQ(tree_owner.st_uid, 65534u);

    // The shipped tree names no mirror and connects directly.
    EXPECT_EQ(ReadBytes(first.Tree() / "Recibi/espejos.fij"), "1\r\n");
    EXPECT_EQ(ReadBytes(first.Tree() / "Recibi/proxy.con"), "\r\n80\r\n\r\ncbUnchecked\r\n\r\n");
    EXPECT_FALSE(fs::exists(first.Tree() / "bin/veltod.pub"));

    // The user sets a mirror of their own (the key, readable by anyone, in the
    // scratch folder); a later start runs that tree as it is, and Update
    // fetches the mirror's two newest days into it.
    fs::copy_file(stage.parent_path() / "demo-keys/veltod.pub", scratch / "mirror.pub");
    fs::permissions(scratch / "mirror.pub", fs::perms(0644));
    {
        auto command = first.Command(root, display);
        command.insert(command.end(), {"--mirror", mirror.Url(), "--key", (scratch / "mirror.pub").string()});
        Child setter(command, {});
        ASSERT_EQ(setter.WaitExit(30), 0);
    }
    EXPECT_EQ(ReadBytes(first.Tree() / "Recibi/espejos.fij"), "1\r\n" + mirror.Url() + "\r\n");
    EXPECT_EQ(ReadBytes(first.Tree() / "bin/veltod.pub"), ReadBytes(scratch / "mirror.pub"));
    WriteBytes(first.Tree() / "Recibi/proxy.con", mirror.ConnectionSettings());
    WriteBytes(first.Tree() / "Resources/actualizado.fij", DemoMirror::LastAppliedFile(mirror.TwoBehindDay()));
    {
        Child program(first.Command(root, display), {});
        ASSERT_TRUE(program.Started());
        const Geometry main_window = WaitForMainWindow(display, background_width);
        ASSERT_GT(main_window.width, 0);
        const QImage button(QString::fromStdString((first.Tree() / "Resources/Bot8.gif").string()));
        ClickPicture(display, main_window, 104, 30, button.width(), button.height());
        EXPECT_TRUE(WaitFor([&] {
            return ReadBytes(first.Tree() / "Resources/actualizado.fij") == DemoMirror::LastAppliedFile(mirror.LastDay());
        })) << ReadBytes(first.Tree() / "Resources/actualizado.fij");
    }

    // The second account gets a tree of its own, as shipped.
    {
        Child program(second.Command(root, display), {});
        ASSERT_TRUE(program.Started());
        ASSERT_GT(WaitForMainWindow(display, background_width).width, 0);
    }
    EXPECT_EQ(ReadBytes(second.Tree() / "Resources/actualizado.fij"),
              ReadBytes(root / "usr/share/veltod/Resources/actualizado.fij"));

    // Nothing of the shipped files changed, and neither account wrote a file
    // outside its data and runtime folders (nginx's workers, also "nobody",
    // write under the mirror's folder only).
    EXPECT_EQ(Shell("cd " + root.string() + " && find . -printf '%p %s %T@ %m\\n' | sort"), shipped_listing);
    const std::string strays =
        Shell("find / -xdev \\( -path /proc -o -path '/tmp/veltod-peer-*' -o -path " + first.data.string() + " -o -path " +
              first.runtime.string() + " -o -path " + second.data.string() + " -o -path " + second.runtime.string() +
              " \\) -prune -o \\( -user 65534 -o -user 65533 \\) -newer " +
              marker.string() + " -print 2>/dev/null");
    EXPECT_EQ(strays, "");
    for (const Account* account : {&first, &second})
        EXPECT_EQ(Shell("ls -A " + account->data.string()), "veltod\n") << "only the tree in " << account->data;
}

}  // namespace
