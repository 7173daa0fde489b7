#include "core/net/http_date.h"

#include <array>
#include <cctype>
#include <climits>
#include <string>

namespace veltod {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimLeft(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    return text;
}

std::string_view Trim(std::string_view text) {
    text = TrimLeft(text);
    while (!text.empty() && (IsBlank(text.back()) || text.back() == '\r' || text.back() == '\n')) text.remove_suffix(1);
    return text;
}

// Takes the next blank-separated word off the front of text.
std::string_view NextWord(std::string_view& text) {
    text = TrimLeft(text);
    size_t end = 0;
    while (end < text.size() && !IsBlank(text[end])) ++end;
    const std::string_view word = text.substr(0, end);
    text = TrimLeft(text.substr(end));
    return word;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i]))) return false;
    return true;
}

// A decimal integer with an optional sign, nothing else.
std::optional<long> ToInteger(std::string_view word) {
    if (word.empty()) return std::nullopt;
    bool negative = false;
    if (word.front() == '+' || word.front() == '-') {
        negative = word.front() == '-';
        word.remove_prefix(1);
    }
    if (word.empty() || word.size() > 9) return std::nullopt;
    long value = 0;
    for (char c : word) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return negative ? -value : value;
}

constexpr std::array<std::string_view, 7> kWeekdays{"SUN", "MON", "TUE", "WED", "THU", "FRI", "SAT"};
constexpr std::array<std::string_view, 12> kMonths{"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                                   "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};

bool IsLeapYear(long year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(long year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// Days from 1 January 1970 of a proleptic Gregorian date (H. Hinnant's method).
long long DaysFromCivil(long long y, unsigned m, unsigned d) {
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;
}

const long long kEpochDays = DaysFromCivil(1899, 12, 30);

}  // namespace

std::optional<long long> HttpDateToUniversalSeconds(std::string_view value) {
    std::string_view rest = Trim(value);
    if (rest.empty()) return std::nullopt;
    if (rest.size() >= 3) {
        for (std::string_view weekday : kWeekdays)
            if (EqualsNoCase(rest.substr(0, 3), weekday)) {
                NextWord(rest);
                break;
            }
    }
    const long day = ToInteger(NextWord(rest)).value_or(1);
    const std::string_view month_word = NextWord(rest);
    int month = 0;
    for (size_t i = 0; i < kMonths.size(); ++i)
        if (EqualsNoCase(month_word, kMonths[i])) month = static_cast<int>(i) + 1;
    long year = ToInteger(NextWord(rest)).value_or(1900);
    if (year < 80)
        year += 2000;
    else if (year < 100)
        year += 1900;
    if (month == 0 || year < 1 || year > 9999 || day < 1 || day > DaysInMonth(year, month)) return std::nullopt;

    long long seconds = (DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) - kEpochDays) * 86400;
    if (rest.find(':') != std::string_view::npos) {
        std::string_view time = NextWord(rest);
        long parts[3] = {0, 0, 0};
        for (int i = 0; i < 3 && !time.empty(); ++i) {
            const size_t colon = time.find(':');
            const auto part = ToInteger(time.substr(0, colon));
            if (!part || *part < 0) return std::nullopt;
            parts[i] = *part;
            time = colon == std::string_view::npos ? std::string_view{} : time.substr(colon + 1);
            if (colon != std::string_view::npos && time.empty()) return std::nullopt;
        }
        if (!time.empty() || parts[0] > 23 || parts[1] > 59 || parts[2] > 59) return std::nullopt;
        seconds += parts[0] * 3600 + parts[1] * 60 + parts[2];
    }
    rest = Trim(rest);
    if (rest.size() > 4 && (rest[0] == '+' || rest[0] == '-')) {
        const auto digit = [&](size_t i) { return std::isdigit(static_cast<unsigned char>(rest[i])) != 0; };
        if (digit(1) && digit(2) && digit(3) && digit(4)) {
            const long offset = ((rest[1] - '0') * 10 + (rest[2] - '0')) * 3600 + ((rest[3] - '0') * 10 + (rest[4] - '0')) * 60;
            seconds -= rest[0] == '+' ? offset : -offset;
        }
    }
    return seconds;
}

LocalDateTime DateTimeFromSeconds(long long seconds) {
    long long days = seconds / 86400;
    long long in_day = seconds % 86400;
    if (in_day < 0) {
        in_day += 86400;
        --days;
    }
    // Civil date from days since 1970 (H. Hinnant's method).
    const long long z = days + kEpochDays + 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    LocalDateTime result;
    result.year = static_cast<int>(static_cast<long long>(yoe) + era * 400 + (m <= 2));
    result.month = static_cast<int>(m);
    result.day = static_cast<int>(d);
    result.hour = static_cast<int>(in_day / 3600);
    result.minute = static_cast<int>(in_day / 60 % 60);
    result.second = static_cast<int>(in_day % 60);
    return result;
}

LocalDateTime HttpDateToLocal(std::string_view value, long utc_offset_seconds) {
    const auto universal = HttpDateToUniversalSeconds(value);
    if (!universal) return LocalDateTime{};
    return DateTimeFromSeconds(*universal + utc_offset_seconds);
}

}  // namespace veltod
