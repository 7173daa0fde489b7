// libFuzzer target: any bytes given to the record reader either parse into a
// table whose every row has the declared width, or raise a ConvertError.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/platform/errors.h"
#include "core/records/record_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    veltod::RecordTable table;
    try {
        veltod::ParseRecordBytes(std::string(reinterpret_cast<const char*>(data), size), table);
    } catch (const veltod::ConvertError&) {
        return 0;
    }
    // A count-only text leaves the (empty) table as it was.
    if (table.RowCount() == 0) return 0;
    if (table.Width() < 1 || table.Width() > 32767) std::abort();
    for (size_t row = 0; row < table.RowCount(); ++row)
        if (table.Row(row).size() != table.Width()) std::abort();
    return 0;
}
