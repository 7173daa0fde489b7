#pragma once
// The day until which a mirror's text list is good, signed into the list: a
// line "vence YYYYMMDD <signature>" after the end marker, beside the
// signature line, whose signature covers the day and the content together.
// A mirror can thus neither move the day nor drop the line and keep a valid
// expiry. The signature line stays as it was, over the content alone, so a
// client that knows no expiry skips the new line and takes the list as
// before.
#include <string>
#include <string_view>

namespace veltod {

inline constexpr const char* kExpiryLine = "vence ";

// The lines a mirror publishes after a list's end marker, each ending in
// CR LF: the signature line, then, when valid_until (YYYYMMDD) is given, the
// expiry line.
std::string ListSealLines(std::string_view content, const std::string& secret_key, const std::string& valid_until);

// What an expiry line says, from the text after kExpiryLine: its day, when
// the line reads as "YYYYMMDD <128 hexadecimal digits>" and (for a non-empty
// public_key) its signature covers that day and content. Empty otherwise,
// with why in problem.
std::string ExpiryDayOf(std::string_view line_rest, std::string_view content, const std::string& public_key,
                        std::string& problem);

}  // namespace veltod
