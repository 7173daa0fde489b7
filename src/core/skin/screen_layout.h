#pragma once
// Window positions per screen: fixed tables for nine resolutions, computed
// from the screen size for any other.
#include <cstdint>
#include <string>
#include <string_view>

#include "core/platform/seams.h"

namespace veltod {

// "1024x768" from a screen size.
std::string ResolutionKey(int width, int height);

// The key of a screen whose windows must stay inside a work area (the screen
// less panels, in desktop coordinates): the screen's ResolutionKey when the
// work area is the whole screen at the origin, else that key followed by
// "@left,top,WxH" of the work area.
std::string LayoutKey(const ScreenRect& screen, const ScreenRect& work);
// LayoutKey of the screen the program lays its windows out on.
std::string CurrentLayoutKey();

// Table lookups. The nine listed resolutions give their table's cell. Any
// other size is laid out from the nearest listed layout that fits inside it
// (640x480 aside; 800x600 when none fits): a row whose value differs between
// the listed layouts keeps its distance from the right edge (left table) or
// the bottom (top table), any other row keeps its value. With a work area the
// layout is computed for the work area's size (the table still chosen by the
// whole screen when listed) and each value keeps its distance from the work
// area's edge it follows; "HeightDayNews" shrinks by what the work area lacks
// in height. An unreadable key uses the 800x600 column. An unknown window name
// raises std::invalid_argument: that is a programming error, not bad input.
int16_t LayoutLeft(std::string_view window, std::string_view resolution_key);
int16_t LayoutTop(std::string_view window, std::string_view resolution_key);

// Whether a layout key's whole screen is one of the nine listed resolutions.
bool IsTabledLayout(std::string_view key);

// The listed resolution nearest to a key (smallest sum of squared width and
// height differences; the first listed on a tie).
std::string NearestListedResolution(std::string_view resolution_key);

}  // namespace veltod
