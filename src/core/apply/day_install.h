#pragma once
// Installing a day list of one licence kind: it becomes today's list, the
// seven day files rotate, the week list is rebuilt, and the new entries are
// filed into the category history lists.
#include <string>

namespace veltod {

// When an installation makes the week list again. Either way it is written
// without a flush of its own: it is made from the seven day files alone, and
// the flush of the file system that comes before the day counts as applied
// makes it durable.
enum class WeekList {
    kNow,    // at once
    kLater,  // only marked out of date (StaleWeekMarkPath); RebuildStaleWeekLists makes it
};

// Installs the day list at source (kBinFolder + a DayListName) as
// today's list of kind (a digit "1" to "3"). The caller deletes the source.
void InstallDayList(const std::string& kind, const std::string& source, WeekList week = WeekList::kNow);

// Shifts day files 2..7 down by one, copies today's list to day file 7 and
// rebuilds the week list. With a day given, a rotation for that day that has
// already happened is not repeated, and one cut short is finished, so an
// installation run again after an interruption does not shift a day twice.
void RotateDayFiles(const std::string& kind, const std::string& day = "", WeekList week = WeekList::kNow);

// Makes every week list marked out of date again from its day files, flushes
// the file system, then removes the marks. A kind whose rotation was cut
// short keeps its mark: installing its day again finishes the rotation. With
// nothing marked it costs three stat calls.
void RebuildStaleWeekLists();

// Appends today's entries to their category history lists, each one only when
// its id exceeds that of the list's last record. Only the end of each list is
// read. Entries whose category code is not a decimal number are not filed.
// The appends are not flushed to the disk here: the caller flushes the file
// system before it records the day as applied.
void MergeDayIntoHistory(const std::string& kind);

// The last record of a category history list, read from the end of the file.
struct HistoryTail {
    bool has_rows = false;  // false when the file holds only its count line
    std::string last_id;    // field 10 of the last record
};
HistoryTail ReadHistoryTail(const std::string& path, const std::string& category);

}  // namespace veltod
