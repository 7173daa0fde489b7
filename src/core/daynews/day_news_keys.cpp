#include "core/daynews/day_news_keys.h"

#include <chrono>
#include <exception>

#include "core/platform/convert.h"
#include "core/platform/stored_files.h"
#include "core/records/record_file.h"

namespace veltod {
namespace {

bool IsMarker(const DayRow& row, int marker) { return row.visible && MarkerValue(row.marker) == marker; }

bool PageHasMore(const DayNewsModel& model) {
    return model.RowsShown() >= 2 && IsMarker(model.Row(model.RowsShown()), kMoreMarker);
}

bool PageHasBack(const DayNewsModel& model) { return IsMarker(model.Row(1), kBackMarker); }

// The first entry row of the page: below the back row when there is one.
int FirstEntryRow(const DayNewsModel& model) { return PageHasBack(model) && model.RowsShown() > 1 ? 2 : 1; }

// The last entry row of the page: above the more row when there is one.
int LastEntryRow(const DayNewsModel& model) {
    return PageHasMore(model) ? model.RowsShown() - 1 : model.RowsShown();
}

std::optional<std::chrono::year_month_day> DateOf(std::string_view yyyymmdd) {
    if (yyyymmdd.size() != 8) return std::nullopt;
    int32_t number = 0;
    if (!TryStrToInt(yyyymmdd, number) || number < 0) return std::nullopt;
    const std::chrono::year_month_day date{std::chrono::year(number / 10000),
                                           std::chrono::month(static_cast<unsigned>(number / 100 % 100)),
                                           std::chrono::day(static_cast<unsigned>(number % 100))};
    if (!date.ok()) return std::nullopt;
    return date;
}

}  // namespace

int PressDayKey(DayNewsModel& model, int row, DayKey key) {
    if (model.RowsShown() < 1) return 0;
    const int last = model.RowsShown();
    if (row < 1 || row > last) row = FirstEntryRow(model);
    switch (key) {
    case DayKey::Up:
        return row > 1 ? row - 1 : row;
    case DayKey::Down:
        return row < last ? row + 1 : row;
    case DayKey::PageDown:
        if (!PageHasMore(model)) return LastEntryRow(model);
        model.ShowNextPage();
        return FirstEntryRow(model);
    case DayKey::PageUp:
        if (!PageHasBack(model)) return 1;
        model.ShowPreviousPage();
        return FirstEntryRow(model);
    case DayKey::Home:
        if (PageHasBack(model)) model.ShowFirstPage();
        return 1;
    case DayKey::End:
        // Each page moves on by at least one entry, so this ends.
        while (PageHasMore(model)) model.ShowNextPage();
        return LastEntryRow(model);
    case DayKey::Press: {
        const DayRow& pressed = model.Row(row);
        if (IsMarker(pressed, kMoreMarker) || IsMarker(pressed, kBackMarker)) {
            model.ClickRow(row);
            return FirstEntryRow(model);
        }
        model.ClickRow(row);
        return row;
    }
    }
    return row;
}

std::string SpokenRowName(const DayRow& row) {
    if (!row.visible && row.marker.empty()) return {};
    const int marker = MarkerValue(row.marker);
    if (marker == kMoreMarker) return "More news";
    if (marker == kBackMarker) return "Previous news";
    if (marker < 0) return {};
    std::string name = "Row ";
    name.append(std::to_string(marker + 1)).append(": ").append(row.caption);
    return name;
}

std::optional<std::string> LastAppliedDay() {
    try {
        RecordTable table;
        ReadRecordFile(kLastAppliedFile, table);
        if (table.RowCount() == 0 || !DateOf(table.Field(0, 0))) return std::nullopt;
        return std::string(table.Field(0, 0));
    } catch (const std::exception&) {
        // A day that cannot be told is left unsaid; the list shows anyway.
        return std::nullopt;
    }
}

std::string DayInWords(std::string_view yyyymmdd) {
    const auto date = DateOf(yyyymmdd);
    if (!date) return std::string(yyyymmdd);
    static const char* const kMonths[] = {"January", "February", "March",     "April",   "May",      "June",
                                          "July",    "August",   "September", "October", "November", "December"};
    return std::to_string(static_cast<unsigned>(date->day())) + " " +
           kMonths[static_cast<unsigned>(date->month()) - 1] + " " + std::to_string(static_cast<int>(date->year()));
}

}  // namespace veltod
