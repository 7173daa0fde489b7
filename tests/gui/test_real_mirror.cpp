// The whole chain on real data nobody here wrote: the machine's own apt
// lists (Debian 12 main as yesterday; main, updates and security as today)
// go through veltod-mirror's daily job, as packaged, twice; nginx serves
// what it published; a new user's tree, made by the packaged launcher,
// takes the local mirror by itself and presses Update. The day lists of the
// three licence kinds then hold exactly the packages whose versions changed,
// counted without the publisher by dpkg --compare-versions. Where the
// machine has no apt lists, the tests' sample index stands in.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QImage>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "core/records/record_file.h"
#include "core/records/record_table.h"
#include "support/debian_build.h"
#include "support/local_servers.h"
#include "support/real_screen.h"

namespace {

namespace fs = std::filesystem;
using namespace veltod::test;

// Built by appending: "'" + text trips GCC 12's false -Wrestrict in
// optimised builds.
std::string Quoted(const fs::path& path) {
    std::string quoted(1, '\'');
    quoted.append(path.string()).push_back('\'');
    return quoted;
}

// Yesterday's and today's lists folders, as apt keeps them; the files each
// holds are links to the machine's own.
struct ListsFolders {
    fs::path yesterday, today;
    std::vector<fs::path> yesterday_indices, today_indices;
};

ListsFolders MachineLists(const fs::path& scratch) {
    ListsFolders folders{scratch / "lists-yesterday", scratch / "lists-today", {}, {}};
    fs::create_directories(folders.yesterday);
    fs::create_directories(folders.today);
    const fs::path apt = "/var/lib/apt/lists";
    if (!fs::exists(apt)) return folders;
    for (const auto& entry : fs::directory_iterator(apt)) {
        const std::string name = entry.path().filename().string();
        const bool index = name.find("_main_binary-") != std::string::npos && name.find("_Packages") != std::string::npos;
        const bool release = name.ends_with("_InRelease");
        if (!index && !release) continue;
        const bool main = name.find("_dists_bookworm_") != std::string::npos;
        fs::create_symlink(entry.path(), folders.today / name);
        if (index) folders.today_indices.push_back(folders.today / name);
        if (!main) continue;
        fs::create_symlink(entry.path(), folders.yesterday / name);
        if (index) folders.yesterday_indices.push_back(folders.yesterday / name);
    }
    return folders;
}

// The sample index as yesterday's main; today a security suite raises the
// first few of its packages and adds one.
ListsFolders SampleLists(const fs::path& scratch) {
    ListsFolders folders{scratch / "lists-yesterday", scratch / "lists-today", {}, {}};
    fs::remove_all(folders.yesterday);
    fs::remove_all(folders.today);
    fs::create_directories(folders.yesterday);
    fs::create_directories(folders.today);
    const std::string sample = ReadBytes(fs::path(std::getenv("VELTOD_SOURCE_DIR")) / "tests/data/Packages.sample");
    std::string security;
    std::istringstream stanzas(sample);
    int raised = 0;
    for (std::string line, stanza; std::getline(stanzas, line);) {
        stanza += line + "\n";
        if (!line.empty()) continue;
        if (raised++ < 5) {
            const size_t version = stanza.find("\nVersion: ");
            const size_t end = stanza.find('\n', version + 1);
            stanza.insert(end, "+deb12u1");
            security += stanza;
        }
        stanza.clear();
    }
    security += "Package: veltod-sample-new\nVersion: 1.0-1\nArchitecture: all\nFilename: pool/v/new.deb\n"
                "Description: a package new today\n\n";
    const auto suite = [](const fs::path& folder, const std::string& prefix, const std::string& index) {
        WriteBytes(folder / (prefix + "main_binary-amd64_Packages"), index);
        WriteBytes(folder / (prefix + "InRelease"),
                  "-----BEGIN PGP SIGNED MESSAGE-----\nHash: SHA256\n\nCodename: " +
                      prefix.substr(prefix.find("_dists_") + 7, prefix.size() - prefix.find("_dists_") - 8) +
                      "\nDate: Mon, 07 Dec 2026 02:13:01 UTC\n-----BEGIN PGP SIGNATURE-----\n\nx\n"
                      "-----END PGP SIGNATURE-----\n");
        return folder / (prefix + "main_binary-amd64_Packages");
    };
    for (const fs::path& folder : {folders.yesterday, folders.today})
        (folder == folders.today ? folders.today_indices : folders.yesterday_indices)
            .push_back(suite(folder, "deb.debian.org_debian_dists_bookworm_", sample));
    folders.today_indices.push_back(suite(folders.today, "deb.debian.org_debian-security_dists_bookworm-security_", security));
    return folders;
}

std::set<std::string> Lines(const std::string& text) {
    std::set<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        if (!line.empty()) lines.insert(line);
    return lines;
}

TEST(RealMirror, TheChangedPackagesOfARealArchiveReachANewUsersDayNews) {
    for (const char* tool : {"cpack", "nginx", "Xvfb", "xdotool", "xwininfo", "dpkg", "lz4cat"})
        ASSERT_FALSE(Shell(std::string("command -v ") + tool).empty()) << tool << " is missing (scripts/install-deps.sh)";
    const char* stage_variable = std::getenv("VELTOD_STAGE");
    ASSERT_NE(stage_variable, nullptr);
    const fs::path stage = stage_variable;
    const ScratchFolder folder;
    const fs::path scratch = folder.Path();

    std::string log;
    const auto packages = BuildDebianPackages(stage, scratch / "package", log);
    ASSERT_TRUE(packages.count("veltod") && packages.count("veltod-mirror")) << log;
    const fs::path root = scratch / "root";
    for (const auto& [name, deb] : packages) Shell("dpkg-deb -x " + Quoted(deb) + " " + Quoted(root));

    ListsFolders lists = MachineLists(scratch);
    if (lists.yesterday_indices.empty() || lists.today_indices.size() < 2) lists = SampleLists(scratch);

    // The service's own daily job, its fetch step pointed at the lists, its
    // mirror folder the one nginx serves.
    NginxServer server;
    server.Put("index.html", "VeltoD mirror\n");
    const fs::path state = scratch / "state";
    fs::create_directories(state);
    fs::create_directory_symlink(server.Root(), state / "mirror");
    WriteBytes(scratch / "veltod-mirror.conf", "SUITES=\"\"\nPUBLIC_URLS=\"" + server.Url("/") + "\"\nKEEP_DAYS=30\n");
    const auto daily = [&](const fs::path& lists_folder) {
        return Shell("VELTOD_MIRROR_CONF=" + Quoted(scratch / "veltod-mirror.conf") + " VELTOD_MIRROR_STATE=" +
                     Quoted(state) + " VELTOD_PUBLISH=" + Quoted(root / "usr/bin/veltod-publish") +
                     " VELTOD_MIRROR_LISTS_FROM=" + Quoted(lists_folder) + " " +
                     Quoted(root / "usr/lib/veltod-mirror/veltod-mirror-daily") + " 2>&1; echo status=$?");
    };
    const std::string first = daily(lists.yesterday);
    ASSERT_NE(first.find("status=0"), std::string::npos) << first;
    EXPECT_NE(first.find("made the mirror's key pair"), std::string::npos) << first;
    EXPECT_EQ(fs::status(state / "keys/veltod.sec").permissions() & fs::perms::all, fs::perms(0600));
    const std::string second = daily(lists.today);
    ASSERT_NE(second.find("status=0"), std::string::npos) << second;
    ASSERT_NE(second.find("published "), std::string::npos) << second;
    const std::string day = second.substr(second.find("published ") + 10, 8);
    Shell("chmod -R a+rX " + Quoted(server.Root()));

    // A new user: the launcher makes the tree from the shipped copy and, as
    // the shipped copy names no mirror, takes the local service's.
    const fs::path data = scratch / "data";
    const fs::path tree = data / "veltod";
    fs::create_directories(data);
    VirtualScreen screen;
    ASSERT_FALSE(screen.Display().empty()) << "Xvfb did not start";
    const std::vector<std::string> launcher = {
        "env", "-i", "HOME=/nonexistent", "PATH=/usr/bin:/bin", "XDG_DATA_HOME=" + data.string(),
        "VELTOD_LOCAL_MIRROR=" + (state / "public").string(), "DISPLAY=" + screen.Display(), "QT_QPA_PLATFORM=xcb",
        (root / "usr/bin/veltod").string()};
    const int background_width =
        QImage(QString::fromStdString((root / "usr/share/veltod/Resources/fondobin.gif").string())).width();
    {
        Child program(launcher, {});
        ASSERT_GT(WaitForMainWindow(screen.Display(), background_width).width, 0);
    }
    EXPECT_EQ(ReadBytes(tree / "Recibi/espejos.fij"), "1\r\n" + server.Url("/") + "\r\n");
    EXPECT_EQ(ReadBytes(tree / "bin/veltod.pub"), ReadBytes(state / "public/veltod.pub"));

    // nginx also stands for the probe sites (as the tree's proxy), and the
    // tree is set to the day before the published one.
    WriteBytes(tree / "Recibi/proxy.con",
              "127.0.0.1\r\n" + std::to_string(server.Port()) + "\r\n\r\ncbChecked\r\n" + server.Url("/") + "\r\n");
    WriteBytes(tree / "Resources/actualizado.fij", "1\r\n20010102\r\n");
    {
        Child program(launcher, {});
        const Geometry main_window = WaitForMainWindow(screen.Display(), background_width);
        ASSERT_GT(main_window.width, 0);
        const QImage button(QString::fromStdString((tree / "Resources/Bot8.gif").string()));
        ClickPicture(screen.Display(), main_window, 104, 30, button.width(), button.height());
        EXPECT_TRUE(WaitFor([&] { return ReadBytes(tree / "Resources/actualizado.fij") == "1\r\n" + day + "\r\n"; }))
            << ReadBytes(tree / "Resources/actualizado.fij");
        // The arrival notice, then the day news it opens on.
        std::this_thread::sleep_for(std::chrono::seconds(2));
        Shell("DISPLAY=" + screen.Display() + " xdotool key Return");
        std::this_thread::sleep_for(std::chrono::seconds(2));
        Shell("DISPLAY=" + screen.Display() + " xwd -root -silent | convert xwd:- " +
              Quoted(stage.parent_path() / "real-mirror-day-news.png"));
    }

    // The day lists of the three kinds hold exactly the changed packages.
    std::set<std::string> listed;
    for (const char* kind : {"1", "2", "3"}) {
        veltod::RecordTable table;
        if (fs::exists(tree / (std::string("Resources/today.") + kind + "cat")))
            veltod::ReadRecordFile((tree / (std::string("Resources/today.") + kind + "cat")).string(), table);
        for (size_t row = 0; row < table.RowCount(); ++row) listed.insert(table.FieldString(row, 0));
    }
    std::string command = Quoted(fs::path(std::getenv("VELTOD_SOURCE_DIR")) / "tests/support/changed-packages.sh");
    for (const auto& index : lists.yesterday_indices) command += " " + Quoted(index);
    command += " --";
    for (const auto& index : lists.today_indices) command += " " + Quoted(index);
    const std::set<std::string> changed = Lines(Shell(command));
    EXPECT_FALSE(changed.empty());
    EXPECT_EQ(listed, changed);
}

}  // namespace
