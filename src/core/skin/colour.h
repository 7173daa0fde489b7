#pragma once
// Colours as the skin and the data name them.
#include <cstdint>

namespace veltod {

// An RGB colour as 0xRRGGBB.
using Rgb = uint32_t;
inline constexpr Rgb kSkinLightColour = 0xCCCC00;

}  // namespace veltod
