#pragma once
// The "Date" header of a response as a local calendar date and time. Only the
// RFC 1123 form is understood (weekday, day, month abbreviation, year, time,
// zone); anything unreadable gives the zero date, 30 December 1899 00:00.
#include <optional>
#include <string_view>

namespace veltod {

struct LocalDateTime {
    int year = 1899;
    int month = 12;
    int day = 30;
    int hour = 0;
    int minute = 0;
    int second = 0;

    bool IsZero() const { return year == 1899 && month == 12 && day == 30 && hour == 0 && minute == 0 && second == 0; }
    bool operator==(const LocalDateTime&) const = default;
};

// Seconds since 30 December 1899 00:00 universal time, or nothing when the
// value is not a readable date.
std::optional<long long> HttpDateToUniversalSeconds(std::string_view value);

// The calendar date and time of a count of seconds since 30 December 1899.
LocalDateTime DateTimeFromSeconds(long long seconds);

// The header value turned into local time with the given offset east of
// universal time; zero when unreadable.
LocalDateTime HttpDateToLocal(std::string_view value, long utc_offset_seconds);

}  // namespace veltod
