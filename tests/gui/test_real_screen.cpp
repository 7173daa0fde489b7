// The staged program on a real X server (Xvfb, 1024x768, no window manager):
// where its main window and, after Today, its message window stand, and an
// update of the demo installation from its mirror through a local nginx. Runs
// a copy of the staged installation, so the staged data are never touched.
#include <gtest/gtest.h>

#include <algorithm>

#include <QImage>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "support/local_servers.h"
#include "support/real_screen.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using namespace veltod::test;

// The program runs on a copy of the staged installation, so a test never
// changes the build's own.
void CopyStagedInstallation(const char* stage, const ScratchInstallation& copy) {
    for (const char* tool : {"Xvfb", "xwininfo", "xdotool"})
        ASSERT_FALSE(Shell(std::string("command -v ") + tool).empty()) << tool << " is missing (scripts/install-deps.sh)";
    ASSERT_NE(stage, nullptr);
    fs::copy(stage, copy.Root(), fs::copy_options::recursive | fs::copy_options::overwrite_existing);
}

TEST(RealScreen, MainWindowAtTheTopRightAndMessageWindowLeftOfIt) {
    const char* stage = std::getenv("VELTOD_STAGE");
    veltod::test::ScratchInstallation copy;
    ASSERT_NO_FATAL_FAILURE(CopyStagedInstallation(stage, copy));

    VirtualScreen screen;
    ASSERT_FALSE(screen.Display().empty()) << "Xvfb did not start";
    const std::string display = screen.Display();

    Child program({copy.Path("bin/VeltoD.exe")}, {"DISPLAY=" + display, "QT_QPA_PLATFORM=xcb"});
    ASSERT_TRUE(program.Started());
    Geometry main_window;
    ASSERT_TRUE(WaitFor([&] {
        for (const auto& [title, g] : ProgramWindows(display))
            if (title == "VeltoD") {
                main_window = g;
                return true;
            }
        return false;
    }));
    const QSize background = QImage(QString::fromStdString(copy.Path("Resources/fondobin.gif"))).size();
    ASSERT_TRUE(WaitFor([&] {
        for (const auto& [title, g] : ProgramWindows(display))
            if (title == "VeltoD") main_window = g;
        return main_window.width == background.width();
    })) << "the main window never took its picture's width:\n"
        << Shell("DISPLAY=" + display + " xwininfo -root -children");
    EXPECT_EQ(main_window.left + main_window.width, 1024);
    EXPECT_EQ(main_window.top, 0);
    EXPECT_EQ(main_window.height, background.height());

    // Today: the first navigation button, at (8, 12) in the main window.
    const QSize message = QImage(QString::fromStdString(copy.Path("Resources/mensaje.gif"))).size();
    const Geometry expected{message.width(), message.height(), 1024 - main_window.width - message.width(), 12};
    Shell("DISPLAY=" + display + " xdotool mousemove " + std::to_string(main_window.left + 20) + " " +
        std::to_string(main_window.top + 18) + " click 1");
    EXPECT_TRUE(WaitFor([&] { return Mapped(display, expected); }))
        << "no " << expected.width << "x" << expected.height << "+" << expected.left << "+" << expected.top << " in\n"
        << Shell("DISPLAY=" + display + " xwininfo -root -children");
    EXPECT_EQ(expected.left, 513);  // with the 314-pixel bar and the 197-pixel plate
}

// Update on the demo installation: nginx serves the demo mirror and, as the
// proxy the copy's settings name, answers the connection probe too; the days
// left on the mirror are fetched and applied.
TEST(RealScreen, UpdateBringsTheDemoUpToTheMirrorsLastDay) {
    const char* stage = std::getenv("VELTOD_STAGE");
    veltod::test::ScratchInstallation copy;
    ASSERT_NO_FATAL_FAILURE(CopyStagedInstallation(stage, copy));
    NginxServer mirror;
    fs::copy(fs::path(stage).parent_path() / "mirror", mirror.Root(),
             fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    Shell("chmod -R a+rX " + mirror.Root().string());
    mirror.Put("index.html", "VeltoD demo mirror\n");
    copy.Write("Recibi/proxy.con", "127.0.0.1\r\n" + std::to_string(mirror.Port()) + "\r\n\r\ncbChecked\r\n" +
                                       mirror.Url("/") + "\r\n");
    // The listing's records (day, name) between its marker lines, oldest
    // first; the copy is set two packages behind the newest, whatever an
    // earlier run of the demo did to the staged installation.
    std::ifstream in(mirror.Root() / "listado.txt", std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line.substr(0, line.find('\r')));
    const auto first = std::find(lines.begin(), lines.end(), "comensando");
    const auto last = std::find(lines.begin(), lines.end(), "terminando");
    ASSERT_TRUE(first != lines.end() && last != lines.end() && last - first >= 8) << "a listing of three packages";
    const std::string last_day = *(last - 2);
    const std::string updated = "1\r\n" + last_day + "\r\n";
    copy.Write("Resources/actualizado.fij", "1\r\n" + *(last - 6) + "\r\n");
    // The run takes its date from nginx, that is from this machine's clock.
    const std::time_t now = std::time(nullptr);
    char today[16];
    std::strftime(today, sizeof today, "%Y%m%d", std::localtime(&now));
    ASSERT_GE(std::string(today), last_day) << "the machine's date is before the demo mirror's last day";

    VirtualScreen screen;
    ASSERT_FALSE(screen.Display().empty()) << "Xvfb did not start";
    const std::string display = screen.Display();
    Child program({copy.Path("bin/VeltoD.exe")}, {"DISPLAY=" + display, "QT_QPA_PLATFORM=xcb"});
    ASSERT_TRUE(program.Started());
    const QSize background = QImage(QString::fromStdString(copy.Path("Resources/fondobin.gif"))).size();
    Geometry main_window;
    ASSERT_TRUE(WaitFor([&] {
        for (const auto& [title, g] : ProgramWindows(display))
            if (title == "VeltoD") main_window = g;
        return main_window.width == background.width();
    }));
    // Update: the button picture at (104, 30) in the main window.
    const QSize button = QImage(QString::fromStdString(copy.Path("Resources/Bot8.gif"))).size();
    Shell("DISPLAY=" + display + " xdotool mousemove " + std::to_string(main_window.left + 104 + button.width() / 2) +
          " " + std::to_string(main_window.top + 30 + button.height() / 2) + " click 1");
    EXPECT_TRUE(WaitFor([&] { return copy.Read("Resources/actualizado.fij") == updated; }))
        << copy.Read("Resources/actualizado.fij");
    EXPECT_EQ(copy.Read("Recibi/archivos.new").rfind("1\r\n" + last_day + ".exe\r\n", 0), 0u);
    EXPECT_FALSE(fs::exists(copy.Path("Recibi/" + last_day + ".exe")));
}

// Errors before the event loop runs (damaged skin pictures and lists, a
// refused package waiting to be applied) reach the error box with their
// text, which the program also writes to its error output. A start that
// cannot show its main window ends with status 1 after the box; one whose
// start-up pass failed goes on.
TEST(RealScreen, StartUpErrorsReachTheErrorBoxAndEndWithStatusOneOrGoOn) {
    const char* stage = std::getenv("VELTOD_STAGE");
    VirtualScreen screen;
    ASSERT_FALSE(screen.Display().empty()) << "Xvfb did not start";
    const std::string display = screen.Display();
    struct Case {
        const char* damage;
        std::function<void(ScratchInstallation&)> apply;
        std::string text;  // the start of the box's text
        int status;        // -1: the program goes on with its main window
    } cases[] = {
        {"no background", [](ScratchInstallation& c) { fs::remove(c.Path("Resources/fondobin.gif")); },
         "Cannot load the picture \"../Resources/fondobin.gif\": File not found", 1},
        {"damaged close button", [](ScratchInstallation& c) { c.Write("Resources/x0.gif", "not a picture"); },
         "Cannot load the picture \"../Resources/x0.gif\": ", 1},
        {"no list frame", [](ScratchInstallation& c) { fs::remove(c.Path("Resources/Lista.gif")); },
         "Cannot load the picture \"../Resources/Lista.gif\": File not found", 1},
        // Read by the start-up pass of the category marks: the start goes on.
        {"category count", [](ScratchInstallation& c) { c.Write("Resources/Categ.txt", "abc\r\n"); },
         "'abc' is not a valid integer value", -1},
        {"refused package", [](ScratchInstallation& c) {
             c.Write("Recibi/archivos.new", "1\r\n20990101.exe\r\n");
             c.Write("Recibi/20990101.exe", "MZP not signed");
         }, "The update package 20990101.exe was not applied", -1},
        // An empty new program is put aside; the installation keeps starting.
        {"empty new program", [](ScratchInstallation& c) { c.Write("bin/Veltodactualiz.exe", ""); },
         "The new version received by the update cannot run here; VeltoDownload keeps its current version. "
         "Cannot start ./Veltodactualiz.exe: Exec format error", -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.damage);
        ScratchInstallation copy;
        ASSERT_NO_FATAL_FAILURE(CopyStagedInstallation(stage, copy));
        c.apply(copy);
        const std::string errors = copy.Path("errors.txt");
        Child program({copy.Path("bin/VeltoD.exe")}, {"DISPLAY=" + display, "QT_QPA_PLATFORM=xcb"}, -1, errors);
        ASSERT_TRUE(program.Started());
        ASSERT_TRUE(WaitFor([&] { return copy.Read("errors.txt").find("VeltoD: ") != std::string::npos; }))
            << "no error box";
        EXPECT_NE(copy.Read("errors.txt").find("VeltoD: " + c.text), std::string::npos) << copy.Read("errors.txt");
        // Return in the box closes it (no window manager: the focus is given
        // to each of the program's windows so named in turn). The text is
        // written just before the box opens, so Return is pressed until the
        // program answers.
        const auto press_return = [&] {
            Shell("DISPLAY=" + display + " sh -c 'for w in $(xdotool search --onlyvisible --name \"^VeltoD$\"); do "
                  "xdotool windowfocus --sync $w key Return; done'");
        };
        if (c.status >= 0) {
            int status = -1;
            EXPECT_TRUE(WaitFor([&] {
                press_return();
                return (status = program.WaitExit(1)) >= 0;
            })) << "the program did not end";
            EXPECT_EQ(status, c.status);
            continue;
        }
        EXPECT_TRUE(WaitFor([&] {
            press_return();
            for (const auto& [title, g] : ProgramWindows(display))
                if (title == "VeltoD" && g.width > 100) return true;
            return false;
        })) << "the main window did not come";
        EXPECT_EQ(program.WaitExit(0), -1);
        EXPECT_GT(fs::file_size(copy.Path("bin/VeltoD.exe")), 0u);
        EXPECT_FALSE(fs::exists(copy.Path("bin/Veltodactualiz.exe")));
    }
}

}  // namespace
