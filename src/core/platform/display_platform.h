#pragma once
// Which display platform the program asks the toolkit for. The layout puts
// every window at a place of its own, and only an X server lets a client
// place its top-level windows: in a Wayland session that offers an X display
// (Xwayland) the program runs through it; without one it runs as a Wayland
// client, and the desktop places its windows.
#include <string>
#include <string_view>

namespace veltod {

// The variables of the environment that decide it; unset reads as empty.
struct DisplayEnvironment {
    std::string wayland_display;  // WAYLAND_DISPLAY
    std::string session_type;     // XDG_SESSION_TYPE
    std::string x_display;        // DISPLAY
    std::string qt_platform;      // QT_QPA_PLATFORM: the user's own choice
};

// The environment of this process.
DisplayEnvironment ProcessDisplayEnvironment();

// The value to give QT_QPA_PLATFORM, or empty to leave it as it is: the
// user's own choice always stands, and outside a Wayland session the
// toolkit's default (X) is right. In a Wayland session: "xcb;wayland" with
// an X display (X first; Wayland should that display not answer), "wayland"
// without one (the toolkit would otherwise try X and fail).
std::string ChooseDisplayPlatform(const DisplayEnvironment& environment);

// Whether on a platform the toolkit reports ("xcb", "wayland", "wayland-egl",
// "offscreen" ...) the desktop, not the program, places the windows.
bool DesktopPlacesWindows(std::string_view platform_name);

}  // namespace veltod
