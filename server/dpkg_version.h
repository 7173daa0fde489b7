#pragma once
// Debian version strings compared as dpkg compares them (epoch, upstream
// version, revision; "~" sorts before anything, even the end), through
// libapt-pkg, the library apt itself uses.
#include <string_view>

namespace veltod {

// Negative when a is older than b, 0 when they are equal, positive when newer.
int CompareDebianVersions(std::string_view a, std::string_view b);

}  // namespace veltod
