#pragma once
// Splits bytes into lines: CR LF, a lone CR and a lone LF each end a line, and
// a 0x1A byte ends the text. The text after the last line end, when not empty,
// is a last line. The scan looks at 16 bytes at a time, so that splitting a
// large list costs little more than reading it.
#include <cstddef>
#include <string_view>

namespace veltod {

// Calls on_line(std::string_view) for each line from begin on; returns the
// position where the text ended (end, or the 0x1A byte).
template <typename OnLine>
const char* ScanLines(const char* begin, const char* end, OnLine&& on_line);

}  // namespace veltod

#include "core/records/line_scanner_impl.h"
