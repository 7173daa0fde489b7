#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace veltod {

// Decimal text to a 32-bit integer: optional leading blanks, an optional sign,
// then digits only. Anything else, or a value outside the 32-bit range, raises
// ConvertError "'<text>' is not a valid integer value".
int32_t StrToInt(std::string_view text);

// Like StrToInt but returns false instead of raising.
bool TryStrToInt(std::string_view text, int32_t& value);

// True for eight decimal digits, the form of every day YYYYMMDD.
bool IsEightDigits(std::string_view text);

// A day YYYYMMDD as people read it, "2026-12-01"; other text as it is.
std::string DayText(std::string_view day);

}  // namespace veltod
