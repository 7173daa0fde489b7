#pragma once
#include <cstdint>
#include <string_view>

namespace veltod {

// Decimal text to a 32-bit integer: optional leading blanks, an optional sign,
// then digits only. Anything else, or a value outside the 32-bit range, raises
// ConvertError "'<text>' is not a valid integer value".
int32_t StrToInt(std::string_view text);

// Like StrToInt but returns false instead of raising.
bool TryStrToInt(std::string_view text, int32_t& value);

}  // namespace veltod
