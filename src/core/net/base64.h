#pragma once
// Base64 of RFC 2045 (A-Z a-z 0-9 + /, "=" filling the last group), as one
// unbroken line: it goes into a header, where a line break would end it.
#include <string>
#include <string_view>

namespace veltod {

std::string EncodeBase64(std::string_view bytes);

}  // namespace veltod
