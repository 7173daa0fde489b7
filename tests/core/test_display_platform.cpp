// The display platform the program asks for, from the session's environment.
#include <gtest/gtest.h>

#include "core/platform/display_platform.h"

namespace {

TEST(DisplayPlatform, XwaylandInAWaylandSessionWaylandWithoutItTheUsersChoiceAlways) {
    struct Case {
        const char* what;
        veltod::DisplayEnvironment environment;  // WAYLAND_DISPLAY, XDG_SESSION_TYPE, DISPLAY, QT_QPA_PLATFORM
        const char* chosen;
    };
    const Case cases[] = {
        {"GNOME or Plasma on Wayland", {"wayland-0", "wayland", ":0", ""}, "xcb;wayland"},
        {"socket only (a nested compositor)", {"wayland-1", "", ":1", ""}, "xcb;wayland"},
        {"session type only (the default socket)", {"", "wayland", ":0", ""}, "xcb;wayland"},
        {"a Wayland socket in an X session", {"wayland-0", "x11", ":0", ""}, "xcb;wayland"},
        {"no Xwayland", {"wayland-0", "wayland", "", ""}, "wayland"},
        {"no Xwayland, session type only", {"", "wayland", "", ""}, "wayland"},
        {"an X session", {"", "x11", ":0", ""}, ""},
        {"X without a session manager", {"", "", ":5", ""}, ""},
        {"no display at all", {"", "tty", "", ""}, ""},
        {"the user asked for Wayland", {"wayland-0", "wayland", ":0", "wayland"}, ""},
        {"the user asked for X", {"wayland-0", "wayland", "", "xcb"}, ""},
        {"the user asked for no screen", {"wayland-0", "wayland", ":0", "offscreen"}, ""},
        {"an empty choice is none", {"wayland-0", "wayland", ":0", ""}, "xcb;wayland"},
        {"session type is matched exactly", {"", "Wayland", ":0", ""}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(veltod::ChooseDisplayPlatform(c.environment), c.chosen);
    }
}

TEST(DisplayPlatform, OnlyAWaylandPlatformLeavesThePlacesToTheDesktop) {
    for (const char* name : {"wayland", "wayland-egl", "wayland-brcm"}) EXPECT_TRUE(veltod::DesktopPlacesWindows(name)) << name;
    for (const char* name : {"xcb", "offscreen", "minimal", "", "way", "eglfs"}) EXPECT_FALSE(veltod::DesktopPlacesWindows(name)) << name;
}

TEST(DisplayPlatform, ReadsTheFourVariablesUnsetAsEmpty) {
    setenv("WAYLAND_DISPLAY", "wayland-9", 1);
    setenv("XDG_SESSION_TYPE", "wayland", 1);
    unsetenv("DISPLAY");
    setenv("QT_QPA_PLATFORM", "", 1);
    const veltod::DisplayEnvironment read = veltod::ProcessDisplayEnvironment();
    EXPECT_EQ(read.wayland_display, "wayland-9");
    EXPECT_EQ(read.session_type, "wayland");
    EXPECT_EQ(read.x_display, "");
    EXPECT_EQ(read.qt_platform, "");
    EXPECT_EQ(veltod::ChooseDisplayPlatform(read), "wayland");
}

}  // namespace
