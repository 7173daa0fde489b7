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
#include <string>

#include "support/demo_mirror.h"
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
    const DemoMirror mirror(stage);
    copy.Write("Recibi/proxy.con", mirror.ConnectionSettings());
    // The copy is set two packages behind the newest, whatever an earlier
    // run of the demo did to the staged installation.
    const std::string last_day = mirror.LastDay();
    const std::string updated = DemoMirror::LastAppliedFile(last_day);
    copy.Write("Resources/actualizado.fij", DemoMirror::LastAppliedFile(mirror.TwoBehindDay()));
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
    const Geometry main_window = WaitForMainWindow(display, background.width());
    ASSERT_GT(main_window.width, 0);
    // Update: the button picture at (104, 30) in the main window.
    const QSize button = QImage(QString::fromStdString(copy.Path("Resources/Bot8.gif"))).size();
    ClickPicture(display, main_window, 104, 30, button.width(), button.height());
    EXPECT_TRUE(WaitFor([&] { return copy.Read("Resources/actualizado.fij") == updated; }))
        << copy.Read("Resources/actualizado.fij");
    EXPECT_EQ(copy.Read("Recibi/archivos.new").rfind("1\r\n" + last_day + ".exe\r\n", 0), 0u);
    EXPECT_FALSE(fs::exists(copy.Path("Recibi/" + last_day + ".exe")));
}

}  // namespace
