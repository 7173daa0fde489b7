#include "core/update/failed_runs.h"

#include <ctime>

#include "core/platform/convert.h"
#include "core/platform/errors.h"
#include "core/platform/file_io.h"
#include "core/platform/seams.h"
#include "core/platform/stored_files.h"
#include "core/records/record_file.h"
#include "core/records/record_table.h"

namespace veltod {
namespace {

// Fields of the file's one record.
enum Field { kCount, kDay, kLastError, kFieldCount };

}  // namespace

std::string LocalToday() {
    const Clock& clock = TheClock();
    const std::time_t now = clock.Now();
    const std::time_t local = now + static_cast<std::time_t>(clock.UtcOffsetSeconds(now));
    std::tm parts{};
    ::gmtime_r(&local, &parts);
    char text[16];
    std::strftime(text, sizeof text, "%Y%m%d", &parts);
    return text;
}

int RecordFailedRun(const std::string& error) {
    const std::string today = LocalToday();
    int days = 1;
    try {
        RecordTable table;
        if (FileExists(kFailedRunsFile)) ReadRecordFile(kFailedRunsFile, table);
        int32_t counted = 0;
        if (table.RowCount() > 0 && TryStrToInt(table.Field(0, kCount), counted) && counted > 0)
            days = table.Field(0, kDay) == today ? counted : counted + 1;
    } catch (const Error&) {
        days = 1;  // a damaged count starts again
    }
    // One line per field: the error must not break the record apart.
    std::string one_line = error.substr(0, 400);
    for (char& c : one_line)
        if (c == '\r' || c == '\n' || c == '\x1a') c = ' ';
    WriteRecordFile(kFailedRunsFile, kFieldCount, {{std::to_string(days), today, one_line}});
    return days;
}

void ForgetFailedRuns() { DeleteFile(kFailedRunsFile); }

}  // namespace veltod
