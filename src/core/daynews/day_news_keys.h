#pragma once
// What the keyboard and a screen reader meet in the day news: the rows'
// spoken names, the keys that move through the rows and page the list as
// the back and more rows do, and the day a list shows.
#include <optional>
#include <string>
#include <string_view>

#include "core/daynews/day_news_model.h"

namespace veltod {

enum class DayKey { Up, Down, PageUp, PageDown, Home, End, Press };

// The key pressed on row `row` of the page shown: moves to the row above or
// below, pages as the back and more rows do (Page Up and Page Down), goes to
// the first entry of the list or to its last (Home, End), or presses the row
// as a click does. Returns the row that has the keyboard afterwards, or 0
// when the page shows no row.
int PressDayKey(DayNewsModel& model, int row, DayKey key);

// "Row 4: <name>" for an entry row (the entry's number in the list), "More
// news" and "Previous news" for the paging rows, empty for a row that shows
// nothing.
std::string SpokenRowName(const DayRow& row);

// The day of today's lists: the last applied day, when kLastAppliedFile can
// be read and holds a valid YYYYMMDD date; never an error.
std::optional<std::string> LastAppliedDay();

// "5 December 2026" for "20261205"; the text itself when it is no valid date.
std::string DayInWords(std::string_view yyyymmdd);

}  // namespace veltod
