#include "core/platform/convert.h"

#include <string>

#include "core/platform/errors.h"

namespace veltod {

bool TryStrToInt(std::string_view text, int32_t& value) {
    size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i == text.size()) return false;
    int64_t magnitude = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c < '0' || c > '9') return false;
        magnitude = magnitude * 10 + (c - '0');
        if (magnitude > 2147483648LL) return false;
    }
    const int64_t signed_value = negative ? -magnitude : magnitude;
    if (signed_value > INT32_MAX || signed_value < INT32_MIN) return false;
    value = static_cast<int32_t>(signed_value);
    return true;
}

int32_t StrToInt(std::string_view text) {
    int32_t value = 0;
    if (!TryStrToInt(text, value))
        throw ConvertError("'" + std::string(text) + "' is not a valid integer value");
    return value;
}

bool IsEightDigits(std::string_view text) {
    return text.size() == 8 && text.find_first_not_of("0123456789") == std::string_view::npos;
}

std::string DayText(std::string_view day) {
    if (!IsEightDigits(day)) return std::string(day);
    return std::string(day.substr(0, 4)) + "-" + std::string(day.substr(4, 2)) + "-" + std::string(day.substr(6, 2));
}

}  // namespace veltod
