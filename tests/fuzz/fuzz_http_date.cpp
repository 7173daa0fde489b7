// libFuzzer target: any header value gives the zero date or a real calendar
// date and time, whatever the local offset.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "core/net/http_date.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const long offset = (static_cast<long>(data[0]) - 128) * 900;
    const std::string_view value(reinterpret_cast<const char*>(data + 1), size - 1);
    const veltod::LocalDateTime local = veltod::HttpDateToLocal(value, offset);
    if (local.month < 1 || local.month > 12 || local.day < 1 || local.day > 31) std::abort();
    if (local.hour < 0 || local.hour > 23 || local.minute < 0 || local.minute > 59 || local.second < 0 ||
        local.second > 59)
        std::abort();
    if (local.year < 0 || local.year > 10000) std::abort();
    const auto universal = veltod::HttpDateToUniversalSeconds(value);
    if (universal.has_value() == local.IsZero() && !(universal && *universal + offset == 0)) std::abort();
    return 0;
}
