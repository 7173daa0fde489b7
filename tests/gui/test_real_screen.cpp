// The staged program on a real X server (Xvfb, 1024x768 unless a test says
// otherwise, no window manager): where its main window and, after Today, its
// message window stand, every shown window on screens of other sizes, and an
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

#include "core/skin/screen_layout.h"
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

bool Overlap(const Geometry& a, const Geometry& b) {
    return a.left < b.left + b.width && b.left < a.left + a.width && a.top < b.top + b.height &&
           b.top < a.top + a.height;
}

// Screens the tables do not list, one they do, and a 4K screen at 200 %: the
// main window in the top right corner, the banners and each content window
// shown by its button where the layout puts it, every shown window wholly on
// the screen and none over another.
TEST(RealScreen, EveryShownWindowStaysOnAnyScreenApart) {
    const char* stage = std::getenv("VELTOD_STAGE");
    veltod::test::ScratchInstallation copy;
    ASSERT_NO_FATAL_FAILURE(CopyStagedInstallation(stage, copy));
    const QSize background = QImage(QString::fromStdString(copy.Path("Resources/fondobin.gif"))).size();
    struct Case {
        int width, height, scale;
    };
    for (const Case& screen_case : {Case{1920, 1080, 1}, Case{1366, 768, 1}, Case{2560, 1440, 1}, Case{1280, 1024, 1},
                                    Case{3840, 2160, 2}}) {
        const int s = screen_case.scale;
        const std::string key = veltod::ResolutionKey(screen_case.width / s, screen_case.height / s);
        SCOPED_TRACE(std::to_string(screen_case.width) + "x" + std::to_string(screen_case.height) + " at " +
                     std::to_string(s * 100) + " %");
        VirtualScreen screen(std::to_string(screen_case.width) + "x" + std::to_string(screen_case.height) + "x24");
        ASSERT_FALSE(screen.Display().empty()) << "Xvfb did not start";
        const std::string display = screen.Display();
        Child program({copy.Path("bin/VeltoD.exe")},
                      {"DISPLAY=" + display, "QT_QPA_PLATFORM=xcb", "QT_SCALE_FACTOR=" + std::to_string(s)});
        ASSERT_TRUE(program.Started());
        Geometry main_window;
        ASSERT_TRUE(WaitFor([&] {
            for (const auto& [title, g] : ProgramWindows(display))
                if (title == "VeltoD") main_window = g;
            return main_window.width == background.width() * s;
        }));
        EXPECT_EQ(main_window.left + main_window.width, screen_case.width);
        EXPECT_EQ(main_window.top, 0);
        EXPECT_EQ(main_window.height, background.height() * s);
        auto at = [&](const char* window) {
            return std::pair<int, int>(veltod::LayoutLeft(window, key) * s, veltod::LayoutTop(window, key) * s);
        };
        // Today, Week, Database, Search: the buttons' centres in the main window.
        const struct {
            int x, y;
            const char* window;
        } views[] = {{51, 20, "FormDayNews"}, {51, 38, "FormCategorias"}, {51, 56, "FormBaseDatos"}, {147, 20, "FormBusqueda"}};
        for (const auto& view : views) {
            Shell("DISPLAY=" + display + " xdotool mousemove " + std::to_string(main_window.left + view.x * s) + " " +
                  std::to_string(main_window.top + view.y * s) + " click 1");
            std::vector<Geometry> shown;
            const auto [left, top] = at(view.window);
            EXPECT_TRUE(WaitFor([&] {
                shown = ShownWindows(display);
                return std::any_of(shown.begin(), shown.end(),
                                   [&](const Geometry& g) { return g.left == left && g.top == top; });
            })) << view.window << " not shown at " << left << "," << top;
            // On a computed layout the day news page fills its height, to less than a row.
            const int row = QImage(QString::fromStdString(copy.Path("Resources/dayarrmore.gif"))).height();
            if (view.window == std::string("FormDayNews") && !veltod::IsTabledLayout(key)) {
                for (const Geometry& g : shown) {
                    if (g.left == left && g.top == top) {
                        EXPECT_GT(g.height, (veltod::LayoutTop("HeightDayNews", key) - row) * s) << "day news";
                    }
                }
            }
            const auto [banner_left, banner_top] = at("FormBanner2");
            EXPECT_TRUE(std::any_of(shown.begin(), shown.end(), [&](const Geometry& g) {
                return g.left == banner_left && g.top == banner_top;
            })) << "second banner";
            for (size_t i = 0; i < shown.size(); ++i) {
                const Geometry& g = shown[i];
                EXPECT_TRUE(g.left >= 0 && g.top >= 0 && g.left + g.width <= screen_case.width &&
                            g.top + g.height <= screen_case.height)
                    << g.width << "x" << g.height << "+" << g.left << "+" << g.top << " with " << view.window;
                for (size_t j = i + 1; j < shown.size(); ++j)
                    EXPECT_FALSE(Overlap(g, shown[j])) << g.width << "x" << g.height << "+" << g.left << "+" << g.top
                                                       << " on " << shown[j].width << "x" << shown[j].height << "+"
                                                       << shown[j].left << "+" << shown[j].top << " with " << view.window;
            }
        }
    }
}

// Panels, as a desktop announces them in _NET_WORKAREA: the windows keep
// inside the work area, and follow it when it changes while the program runs.
TEST(RealScreen, WindowsKeepInsideTheWorkAreaAndFollowItsChanges) {
    const char* stage = std::getenv("VELTOD_STAGE");
    veltod::test::ScratchInstallation copy;
    ASSERT_NO_FATAL_FAILURE(CopyStagedInstallation(stage, copy));
    VirtualScreen screen("1920x1080x24");
    ASSERT_FALSE(screen.Display().empty()) << "Xvfb did not start";
    const std::string display = screen.Display();
    auto set_work_area = [&](const std::string& area) {
        Shell("DISPLAY=" + display + " xprop -root -f _NET_WORKAREA 32cccc -set _NET_WORKAREA '" + area + "'");
    };
    set_work_area("0, 32, 1920, 1008");  // a top bar and a task bar
    Child program({copy.Path("bin/VeltoD.exe")}, {"DISPLAY=" + display, "QT_QPA_PLATFORM=xcb"});
    ASSERT_TRUE(program.Started());
    const int main_left = 1920 - QImage(QString::fromStdString(copy.Path("Resources/fondobin.gif"))).width();
    auto shown_at = [&](int left, int top) {
        const auto shown = ShownWindows(display);
        return std::any_of(shown.begin(), shown.end(), [&](const Geometry& g) { return g.left == left && g.top == top; });
    };
    ASSERT_TRUE(WaitFor([&] { return shown_at(main_left, 32) && shown_at(0, 32); }))
        << Shell("DISPLAY=" + display + " xwininfo -root -children");
    for (const Geometry& g : ShownWindows(display))
        EXPECT_TRUE(g.top >= 32 && g.top + g.height <= 1040) << g.width << "x" << g.height << "+" << g.left << "+" << g.top;
    // The panels go to the left edge: the banners move right of them, the top
    // bar's room is given back.
    set_work_area("64, 0, 1856, 1080");
    EXPECT_TRUE(WaitFor([&] { return shown_at(main_left, 0) && shown_at(64, 0); }))
        << Shell("DISPLAY=" + display + " xwininfo -root -children");
    EXPECT_TRUE(WaitFor([&] { return shown_at(64, veltod::LayoutTop("FormBanner2", "1920x1080@64,0,1856x1080")); }));
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
        int opened_by = 0;  // the top of the navigation button whose window meets the damage, if not the start
    } cases[] = {
        {"no background", [](ScratchInstallation& c) { fs::remove(c.Path("Resources/fondobin.gif")); },
         "Cannot load the picture \"../Resources/fondobin.gif\": File not found", 1},
        {"damaged close button", [](ScratchInstallation& c) { c.Write("Resources/x0.gif", "not a picture"); },
         "Cannot load the picture \"../Resources/x0.gif\": ", 1},
        // The list windows and the category marks are made when first
        // opened: the start goes on, and opening them meets the damage.
        {"no list frame", [](ScratchInstallation& c) { fs::remove(c.Path("Resources/Lista.gif")); },
         "Cannot load the picture \"../Resources/Lista.gif\": File not found", -1, 30},
        {"category count", [](ScratchInstallation& c) { c.Write("Resources/Categ.txt", "abc\r\n"); },
         "'abc' is not a valid integer value", -1, 48},
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
        if (c.opened_by != 0) {
            const Geometry main_window = WaitForMainWindow(display, 314);
            ASSERT_GT(main_window.width, 0) << "no main window";
            EXPECT_EQ(copy.Read("errors.txt").find("VeltoD: "), std::string::npos) << "an error at start";
            ClickPicture(display, main_window, 8, c.opened_by, 88, 16);
        }
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

namespace {

// The benchmarks' paint mark: a message box is noted with its title; once
// the main window has activated, today's news opens and its painted page is
// noted.
TEST(RealScreen, PaintMarkNotesBoxesAndThePaintedDayNews) {
    const char* stage = std::getenv("VELTOD_STAGE");
    ScratchInstallation copy;
    ASSERT_NO_FATAL_FAILURE(CopyStagedInstallation(stage, copy));
    // A refused package gives the start-up pass a box to show.
    copy.Write("Recibi/archivos.new", "1\r\n20990101.exe\r\n");
    copy.Write("Recibi/20990101.exe", "MZP not signed");
    VirtualScreen screen;
    ASSERT_FALSE(screen.Display().empty()) << "Xvfb did not start";
    const std::string display = screen.Display();
    Child program({copy.Path("bin/VeltoD.exe")},
                  {"DISPLAY=" + display, "QT_QPA_PLATFORM=xcb", "VELTOD_PAINT_MARK=" + copy.Path("mark.txt")});
    ASSERT_TRUE(program.Started());
    ASSERT_TRUE(WaitFor([&] { return copy.Read("mark.txt") == "box VeltoD\n"; })) << copy.Read("mark.txt");
    EXPECT_TRUE(WaitFor([&] {
        Shell("DISPLAY=" + display + " sh -c 'for w in $(xdotool search --onlyvisible --name \"^VeltoD$\"); do "
              "xdotool windowfocus --sync $w key Return; done'");
        return copy.Read("mark.txt") == "box VeltoD\npainted\n";
    })) << copy.Read("mark.txt");
}

}  // namespace
