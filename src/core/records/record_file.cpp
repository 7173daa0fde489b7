#include "core/records/record_file.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>

#include "core/platform/convert.h"
#include "core/platform/errors.h"
#include "core/platform/file_io.h"
#include "core/records/line_scanner.h"

namespace veltod {
namespace {

// Files from this size on are indexed compactly when their views would
// outweigh them; below it memory does not matter and views are fastest.
constexpr size_t kCompactFrom = size_t{1} << 20;

// Parses the bytes owned by owner and, when they hold a record, hands the
// table the owner with the cells that view into it. A large file of lines so
// short that their views would take more than its own size is indexed
// compactly instead, in a second pass.
void ParseOwnedBytes(std::shared_ptr<const void> owner, const char* begin, const char* end, RecordTable& table) {
    const size_t size = static_cast<size_t>(end - begin);
    const size_t most_views = size < kCompactFrom ? SIZE_MAX : size / sizeof(std::string_view) + 1;
    size_t width = 0;
    size_t lines = 0;
    size_t last_end = 0;
    RecordTable::Cells cells;
    ScanLines(begin, end, [&](std::string_view line) {
        if (width == 0) {
            width = static_cast<size_t>(ParseFieldCount(line));
            // Reserved address space is only taken as the views fill it.
            if (most_views != SIZE_MAX) cells.reserve(most_views + width);
            return;
        }
        if (++lines <= most_views) cells.push_back(line);
        last_end = static_cast<size_t>(line.data() + line.size() - begin);
    });
    if (width == 0) throw ConvertError("'' is not a valid integer value");
    if (lines == 0) return;
    // A file that ends inside a record keeps that record, its missing fields empty.
    const size_t padded = (lines + width - 1) / width * width;
    if (lines > most_views) {
        cells = RecordTable::Cells();
        auto compact = std::make_shared<CompactLines>();
        compact->base = begin;
        compact->starts = LineIndex(lines, size);
        compact->last_end = last_end;
        bool count_line = true;
        ScanLines(begin, end, [&](std::string_view line) {
            if (!count_line) compact->starts.Add(static_cast<uint64_t>(line.data() - begin));
            count_line = false;
        });
        table.Adopt(std::move(owner), std::move(compact), padded, width);
        return;
    }
    cells.resize(padded);

    const size_t rows = cells.size() / width;
    for (size_t low = 0, high = rows - 1; low < high; ++low, --high)
        std::swap_ranges(cells.begin() + low * width, cells.begin() + (low + 1) * width, cells.begin() + high * width);
    table.Adopt(std::move(owner), std::move(cells), width);
}

}  // namespace

int ParseFieldCount(std::string_view line) {
    const int32_t count = StrToInt(line);
    if (count < 1 || count > kMaxFieldCount)
        throw ConvertError("'" + std::string(line) + "' is not a valid field count (1 to 32767)");
    return count;
}

void ParseRecordBytes(std::string bytes, RecordTable& table) {
    auto owner = std::make_shared<const std::string>(std::move(bytes));
    ParseOwnedBytes(owner, owner->data(), owner->data() + owner->size(), table);
}

void ReadRecordFile(const std::string& path, RecordTable& table) {
    FileBytes bytes = ReadWholeFileBytes(path);
    const char* begin = bytes.data.get();
    ParseOwnedBytes(std::move(bytes.data), begin, begin + bytes.size, table);
}

std::string EncodeRecord(const std::vector<std::string>& fields) {
    std::string bytes;
    for (const auto& field : fields) {
        bytes += field;
        bytes += "\r\n";
    }
    return bytes;
}

std::string EncodeRecord(const RecordTable& table, size_t row) {
    std::string bytes;
    for (size_t column = 0; column < table.Width(); ++column) {
        bytes += table.Field(row, column);
        bytes += "\r\n";
    }
    return bytes;
}

void AppendRecord(const std::string& path, const std::vector<std::string>& fields) {
    AppendToFile(path, EncodeRecord(fields));
}

void StartRecordFile(const std::string& path, int field_count) {
    ReplaceFileAtomically(path, std::to_string(field_count) + "\r\n");
}

void WriteRecordTable(const std::string& path, const RecordTable& table) {
    std::string bytes = std::to_string(table.Width()) + "\r\n";
    for (size_t row = table.RowCount(); row-- > 0;) bytes += EncodeRecord(table, row);
    ReplaceFileAtomically(path, bytes);
}

void WriteRecordFile(const std::string& path, int field_count, const std::vector<std::vector<std::string>>& oldest_first) {
    std::string bytes = std::to_string(field_count) + "\r\n";
    for (const auto& record : oldest_first) bytes += EncodeRecord(record);
    ReplaceFileAtomically(path, bytes);
}

}  // namespace veltod
