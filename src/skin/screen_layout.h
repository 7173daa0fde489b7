#pragma once
// Fixed window positions per screen resolution.
#include <cstdint>
#include <string>
#include <string_view>

namespace veltod {

// "1024x768" from a screen size.
std::string ResolutionKey(int width, int height);

// Table lookups. A key outside the nine listed resolutions uses the listed
// resolution nearest to it (smallest sum of squared width and height
// differences; the first listed on a tie). An unknown window name raises
// std::invalid_argument: that is a programming error, not bad input.
int16_t LayoutLeft(std::string_view window, std::string_view resolution_key);
int16_t LayoutTop(std::string_view window, std::string_view resolution_key);

// The listed resolution a key resolves to.
std::string NearestListedResolution(std::string_view resolution_key);

}  // namespace veltod
