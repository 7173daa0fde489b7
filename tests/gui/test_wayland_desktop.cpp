// The installed program in the Wayland sessions of the two big desktops:
// GNOME's compositor (Mutter) and KDE's (KWin), each run headless on a
// 1920x1080 virtual screen, in a session bus and a runtime folder of its own.
// Started by the launcher with the environment such a session gives its
// programs (and no QT_QPA_PLATFORM), the program runs through the session's
// Xwayland, where every window stands where the layout puts it, as xwininfo
// reads them on the session's X display. A session without Xwayland still
// gets the program, as a Wayland client that says the desktop places its
// windows. A compositor that cannot start on this machine at all skips its
// test with the compositor's own words.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QImage>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "core/skin/screen_layout.h"
#include "support/real_screen.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using namespace veltod::test;

enum class Desktop { Gnome, Plasma };
enum class Xwayland { On, Off };

void PrintTo(Desktop desktop, std::ostream* out) { *out << (desktop == Desktop::Gnome ? "GNOME" : "Plasma"); }

// The main window ("VeltoD") on the screen once it has taken this width; a
// zero-width geometry when it never did. Read from the window itself, since
// KWin frames it.
Geometry WaitForFramedMainWindow(const std::string& display, int width) {
    Geometry found;
    WaitFor([&] {
        for (const Geometry& g : ShownWindows(display, "--name '^VeltoD$'"))
            if (g.width == width) found = g;
        return found.width == width;
    });
    return found;
}

// Every window on the display, for a failure's message.
std::string WindowTree(const std::string& display) {
    return Shell("DISPLAY=" + display + " timeout 10 xwininfo -root -tree 2>&1");
}

// A compositor with its private session bus, stopped with everything it
// started. Its session program writes the environment the compositor gives
// its clients and then waits.
class WaylandSession {
public:
    WaylandSession(Desktop desktop, Xwayland xwayland, const fs::path& scratch) : folder_(scratch / "session") {
        const fs::path runtime = folder_ / "run", home = folder_ / "home";
        fs::create_directories(runtime);
        fs::create_directories(home);
        fs::permissions(runtime, fs::perms::owner_all);
        const fs::path probe = folder_ / "session-program";
        WriteBytes(probe, "#!/bin/sh\nenv -0 > \"$0.env~\" && mv \"$0.env~\" \"$0.env\"\nexec sleep 900\n");
        fs::permissions(probe, fs::perms(0755));
        const std::string socket = "wayland-veltod-" + std::to_string(::getpid()) + "-" + std::to_string(++count_);
        std::vector<std::string> command = {"env", "-i", "PATH=/usr/bin:/bin", "HOME=" + home.string(),
                                            "XDG_RUNTIME_DIR=" + runtime.string(), "dbus-run-session", "--"};
        if (desktop == Desktop::Gnome) {
            name_ = "mutter";
            command.insert(command.end(), {"mutter", "--headless", "--wayland", "--wayland-display=" + socket,
                                           "--virtual-monitor", "1920x1080"});
            if (xwayland == Xwayland::Off) command.push_back("--no-x11");
            command.insert(command.end(), {"--", probe.string()});
            client_env_ = {"XDG_CURRENT_DESKTOP=GNOME"};
        } else {
            name_ = "kwin_wayland";
            // Debian's binary carries a file capability that a sandbox may
            // refuse to run; a copy has none, and keeps the name KWin
            // expects.
            fs::create_directories(folder_ / "kwin");
            const fs::path kwin = folder_ / "kwin/kwin_wayland";
            fs::copy_file("/usr/bin/kwin_wayland", kwin);
            command.insert(command.end(), {kwin.string(), "--virtual", "--socket", socket, "--width", "1920",
                                           "--height", "1080", "--no-lockscreen", "--no-global-shortcuts",
                                           "--exit-with-session", probe.string()});
            if (xwayland == Xwayland::On) command.push_back("--xwayland");
            client_env_ = {"XDG_CURRENT_DESKTOP=KDE"};
        }
        compositor_ = std::make_unique<Child>(command, std::vector<std::string>{}, -1, Log().string(), true);
        const fs::path environment = probe.string() + ".env";
        if (!compositor_->Started() || !WaitFor([&] { return fs::exists(environment); })) return;
        const std::string text = ReadBytes(environment);
        for (size_t start = 0, end; start < text.size(); start = end + 1) {
            end = text.find('\0', start);
            if (end == std::string::npos) end = text.size();
            client_env_.push_back(text.substr(start, end - start));
        }
        client_env_.push_back("XDG_SESSION_TYPE=wayland");
        started_ = true;
    }

    // Whether the session program ran, so the compositor serves clients.
    bool Started() const { return started_; }
    const std::string& Name() const { return name_; }
    fs::path Log() const { return folder_ / "compositor.log"; }
    // The end of the compositor's log, for a failure's message.
    std::string LogTail() const {
        const std::string log = ReadBytes(Log());
        return log.substr(log.size() > 1500 ? log.size() - 1500 : 0);
    }
    // The environment the session gives its programs.
    const std::vector<std::string>& ClientEnvironment() const { return client_env_; }
    std::string Variable(const std::string& name) const {
        for (const std::string& entry : client_env_)
            if (entry.rfind(name + "=", 0) == 0) return entry.substr(name.size() + 1);
        return "";
    }

private:
    static inline int count_ = 0;
    fs::path folder_;
    std::string name_;
    std::vector<std::string> client_env_;
    std::unique_ptr<Child> compositor_;
    bool started_ = false;
};

class InstalledProgram : public ::testing::Test {
protected:
    // The installation as the package lays it out: launcher, programs and
    // the shipped tree every account's own is seeded from.
    static void SetUpTestSuite() {
        const char* stage = std::getenv("VELTOD_STAGE");
        ASSERT_NE(stage, nullptr);
        installed_ = new ScratchInstallation;
        Shell("timeout 300 cmake --install " + fs::path(stage).parent_path().string() + " --prefix " + installed_->Path("usr") +
              " >/dev/null 2>&1");
    }
    static void TearDownTestSuite() {
        delete installed_;
        installed_ = nullptr;
    }
    // The launcher is installed and these tools are there.
    void CheckTools(std::initializer_list<const char*> tools) const {
        ASSERT_TRUE(fs::exists(installed_->Path("usr/bin/veltod"))) << "cmake --install gave no launcher";
        std::vector<const char*> all = {"dbus-run-session", "xwininfo", "xdotool", "xprop"};
        all.insert(all.end(), tools);
        for (const char* tool : all)
            ASSERT_FALSE(Shell(std::string("command -v ") + tool).empty()) << tool << " is missing (scripts/install-deps.sh)";
    }

    // The launcher as the session starts it, for an account whose tree is
    // made from the shipped copy.
    std::vector<std::string> Launcher(const WaylandSession& session, const std::vector<std::string>& extra = {}) const {
        std::vector<std::string> command = {"env", "-i"};
        command.insert(command.end(), session.ClientEnvironment().begin(), session.ClientEnvironment().end());
        command.push_back("XDG_DATA_HOME=" + scratch.Path("data"));
        command.insert(command.end(), extra.begin(), extra.end());
        command.push_back(installed_->Path("usr/bin/veltod"));
        return command;
    }

    static inline ScratchInstallation* installed_ = nullptr;
    ScratchInstallation scratch;
};

class WaylandDesktop : public InstalledProgram, public ::testing::WithParamInterface<Desktop> {
protected:
    void SetUp() override { CheckTools({GetParam() == Desktop::Gnome ? "mutter" : "kwin_wayland"}); }
};

// Through Xwayland: the main window flush in the top right corner, both
// banners at the left edge, Today's news in its column right under the main
// window, and a clicked row's details beside it. At 1920x1080 the main
// window stands at (1606, 0) and the banners at (0, 0) and (0, 956).
TEST_P(WaylandDesktop, TheWindowsStandWhereTheLayoutPutsThem) {
    WaylandSession session(GetParam(), Xwayland::On, scratch.Root());
    if (!session.Started()) GTEST_SKIP() << session.Name() << " cannot start here:\n" << session.LogTail();
    const std::string display = session.Variable("DISPLAY");
    ASSERT_FALSE(display.empty()) << session.Name() << " gave no X display";
    // Mutter's Xwayland asks for the session's key.
    setenv("XAUTHORITY", session.Variable("XAUTHORITY").c_str(), 1);
    const std::string key = "1920x1080";
    const std::string tree = scratch.Path("data/veltod/");
    const std::string shipped = installed_->Path("usr/share/veltod/");
    const QSize background = QImage(QString::fromStdString(shipped + "Resources/fondobin.gif")).size();

    Child program(Launcher(session), {}, -1, scratch.Path("errors.txt"));
    ASSERT_TRUE(program.Started());
    const Geometry main_window = WaitForFramedMainWindow(display, background.width());
    ASSERT_GT(main_window.width, 0) << "no main window on " << display << ":\n"
                                    << WindowTree(display) << ReadBytes(scratch.Path("errors.txt"));
    EXPECT_EQ(main_window.left, 1920 - background.width());
    EXPECT_EQ(main_window.top, 0);
    EXPECT_EQ(main_window.height, background.height());

    auto shown_at = [&](int left, int top, Geometry* found = nullptr) {
        for (const Geometry& g : ShownWindows(display))
            if (g.left == left && g.top == top && g.left + g.width <= 1920 && g.top + g.height <= 1080) {
                if (found) *found = g;
                return true;
            }
        return false;
    };
    EXPECT_TRUE(WaitFor([&] { return shown_at(0, 0) && shown_at(0, veltod::LayoutTop("FormBanner2", key)); }))
        << "banners:\n" << WindowTree(display);
    EXPECT_EQ(veltod::LayoutTop("FormBanner2", key), 956);

    // Today: the first navigation button.
    Shell("DISPLAY=" + display + " timeout 10 xdotool mousemove " + std::to_string(main_window.left + 51) + " " +
          std::to_string(main_window.top + 20) + " click 1");
    Geometry news;
    const int news_left = veltod::LayoutLeft("FormDayNews", key), news_top = veltod::LayoutTop("FormDayNews", key);
    ASSERT_TRUE(WaitFor([&] { return shown_at(news_left, news_top, &news); }))
        << "no day news at " << news_left << "," << news_top << ":\n" << WindowTree(display);
    EXPECT_EQ(news.left + news.width, 1920) << "the day news column ends at the screen's right edge";

    // The first row: its details stand left of the day news, level with the row.
    const int row = QImage(QString::fromStdString(tree + "Resources/dayarrmore.gif")).height();
    Shell("DISPLAY=" + display + " timeout 10 xdotool mousemove " + std::to_string(news.left + news.width / 2) + " " +
          std::to_string(news.top + row / 2) + " click 1");
    EXPECT_TRUE(WaitFor([&] {
        for (const Geometry& g : ShownWindows(display))
            if (g.left + g.width == news.left && g.top == news.top && g.left >= 0) return true;
        return false;
    })) << "no details beside the row:\n" << WindowTree(display);
    EXPECT_EQ(ReadBytes(scratch.Path("errors.txt")).find("VeltoD"), std::string::npos) << ReadBytes(scratch.Path("errors.txt"));
}

// A device pixel ratio from the session's X resources (as GNOME's settings
// daemon gives at 200 %): the layout counts in logical pixels, so the main
// window still ends flush at the right edge, twice as large.
TEST_P(WaylandDesktop, AtTwoHundredPercentTheMainWindowStillEndsAtTheRightEdge) {
    WaylandSession session(GetParam(), Xwayland::On, scratch.Root());
    if (!session.Started()) GTEST_SKIP() << session.Name() << " cannot start here:\n" << session.LogTail();
    const std::string display = session.Variable("DISPLAY");
    setenv("XAUTHORITY", session.Variable("XAUTHORITY").c_str(), 1);
    Shell("DISPLAY=" + display + " timeout 10 xprop -root -format RESOURCE_MANAGER 8s -set RESOURCE_MANAGER 'Xft.dpi:\t192\n'");
    const QSize background =
        QImage(QString::fromStdString(installed_->Path("usr/share/veltod/Resources/fondobin.gif"))).size();
    Child program(Launcher(session), {});
    ASSERT_TRUE(program.Started());
    const Geometry main_window = WaitForFramedMainWindow(display, 2 * background.width());
    ASSERT_GT(main_window.width, 0) << WindowTree(display);
    EXPECT_EQ(main_window.left + main_window.width, 1920);
    EXPECT_EQ(main_window.top, 0);
    EXPECT_EQ(main_window.height, 2 * background.height());
}

// No Xwayland in the session (and QT_QPA_PLATFORM unset), or an X display
// named that does not answer: the program starts anyway as a Wayland client,
// draws today's news, and says once that the desktop places its windows.
TEST_P(WaylandDesktop, WithoutXwaylandTheProgramRunsAsAWaylandClientAndSaysWhoPlacesItsWindows) {
    WaylandSession session(GetParam(), Xwayland::Off, scratch.Root());
    if (!session.Started()) GTEST_SKIP() << session.Name() << " cannot start here:\n" << session.LogTail();
    ASSERT_EQ(session.Variable("DISPLAY"), "") << "the session still has an X display";
    ASSERT_NE(session.Variable("WAYLAND_DISPLAY"), "");
    int silent = 65000;  // an X display number no server listens on
    while (fs::exists("/tmp/.X11-unix/X" + std::to_string(silent))) ++silent;
    const struct {
        const char* what;
        std::vector<std::string> extra;
    } cases[] = {{"no X display", {}}, {"an X display that does not answer", {"DISPLAY=:" + std::to_string(silent)}}};
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string mark = scratch.Path("mark" + std::to_string(++n)), errors_file = scratch.Path("errors" + std::to_string(n));
        std::vector<std::string> extra = c.extra;
        extra.push_back("VELTOD_PAINT_MARK=" + mark);
        Child program(Launcher(session, extra), {}, -1, errors_file);
        ASSERT_TRUE(program.Started());
        EXPECT_TRUE(WaitFor([&] { return ReadBytes(mark) == "painted\n"; }))
            << "today's news was not painted: " << ReadBytes(errors_file);
        EXPECT_EQ(program.WaitExit(0), -1) << "the program ended";
        const std::string errors = ReadBytes(errors_file);
        const std::string note = "VeltoD note: Your desktop places the windows";
        EXPECT_NE(errors.find(note), std::string::npos) << errors;
        EXPECT_EQ(errors.find(note), errors.rfind(note)) << "said more than once:\n" << errors;
        EXPECT_EQ(errors.find("VeltoD: "), std::string::npos) << errors;
    }
}

// A screen change while the program runs, as Plasma's display settings make
// it: at 200 % Plasma gives X programs the screen's logical size (960x540),
// and every window follows, the main window to the new right edge.
TEST_F(InstalledProgram, UnderKWinTheWindowsFollowAScaleChange) {
    CheckTools({"kwin_wayland", "kscreen-doctor", "dbus-update-activation-environment"});
    WaylandSession session(Desktop::Plasma, Xwayland::On, scratch.Root());
    if (!session.Started()) GTEST_SKIP() << session.Name() << " cannot start here:\n" << session.LogTail();
    const std::string display = session.Variable("DISPLAY");
    setenv("XAUTHORITY", session.Variable("XAUTHORITY").c_str(), 1);
    const int width = QImage(QString::fromStdString(installed_->Path("usr/share/veltod/Resources/fondobin.gif"))).width();
    Child program(Launcher(session), {});
    ASSERT_TRUE(program.Started());
    ASSERT_EQ(WaitForFramedMainWindow(display, width).left, 1920 - width) << WindowTree(display);

    // The display settings' own tool, a Qt 5 program, talks to KWin over
    // Wayland; the session bus starts its helper with this environment.
    std::string in_session = "env -i";
    for (const std::string& entry : session.ClientEnvironment()) in_session += " '" + entry + "'";
    in_session += " QT_QPA_PLATFORM=wayland ";
    const std::string changed = Shell(in_session + "timeout 60 sh -c 'dbus-update-activation-environment WAYLAND_DISPLAY DISPLAY "
                                      "XDG_RUNTIME_DIR QT_QPA_PLATFORM && timeout 30 kscreen-doctor "
                                      "output.Virtual-0.scale.2' 2>&1");
    ASSERT_NE(changed.find("scale: 2"), std::string::npos) << changed;
    Geometry main_window;
    EXPECT_TRUE(WaitFor([&] {
        for (const Geometry& g : ShownWindows(display, "--name '^VeltoD$'")) main_window = g;
        return main_window.left + main_window.width == 960;
    })) << main_window.width << "x" << main_window.height << "+" << main_window.left << "+" << main_window.top << "\n"
        << WindowTree(display);
    EXPECT_EQ(main_window.top, 0);
    EXPECT_TRUE(WaitFor([&] {
        const auto shown = ShownWindows(display);
        return std::any_of(shown.begin(), shown.end(), [](const Geometry& g) { return g.left == 0 && g.top == 0; });
    })) << "the first banner left its corner";
}

INSTANTIATE_TEST_SUITE_P(, WaylandDesktop, ::testing::Values(Desktop::Gnome, Desktop::Plasma),
                         [](const ::testing::TestParamInfo<Desktop>& info) {
                             return info.param == Desktop::Gnome ? "Mutter" : "KWin";
                         });

}  // namespace
