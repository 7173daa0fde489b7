#include "core/platform/display_platform.h"

#include <cstdlib>

namespace veltod {
namespace {

std::string Variable(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

}  // namespace

DisplayEnvironment ProcessDisplayEnvironment() {
    return {Variable("WAYLAND_DISPLAY"), Variable("XDG_SESSION_TYPE"), Variable("DISPLAY"), Variable("QT_QPA_PLATFORM")};
}

std::string ChooseDisplayPlatform(const DisplayEnvironment& environment) {
    if (!environment.qt_platform.empty()) return "";
    const bool wayland_session = !environment.wayland_display.empty() || environment.session_type == "wayland";
    if (!wayland_session) return "";
    return environment.x_display.empty() ? "wayland" : "xcb;wayland";
}

bool DesktopPlacesWindows(std::string_view platform_name) { return platform_name.substr(0, 7) == "wayland"; }

}  // namespace veltod
