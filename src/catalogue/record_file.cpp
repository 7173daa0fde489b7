#include "catalogue/record_file.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "platform/convert.h"
#include "platform/errors.h"
#include "platform/file_io.h"

namespace veltod {
namespace {

// Splits bytes into lines: CR LF, lone CR and lone LF each end a line. The
// next LF is cached so that the scan stays a memchr pass over the buffer.
class LineCursor {
public:
    LineCursor(const char* begin, const char* end) : position_(begin), end_(end) {}

    bool AtEnd() const { return position_ >= end_; }

    std::string_view Next() {
        if (next_lf_ < position_) {
            const void* found = std::memchr(position_, '\n', static_cast<size_t>(end_ - position_));
            next_lf_ = found ? static_cast<const char*>(found) : end_;
        }
        const char* start = position_;
        const void* cr = std::memchr(start, '\r', static_cast<size_t>(next_lf_ - start));
        if (cr) {
            const char* cr_at = static_cast<const char*>(cr);
            position_ = (cr_at + 1 == next_lf_) ? next_lf_ + 1 : cr_at + 1;
            return {start, static_cast<size_t>(cr_at - start)};
        }
        position_ = next_lf_ + 1;
        return {start, static_cast<size_t>(next_lf_ - start)};
    }

private:
    const char* position_;
    const char* end_;
    const char* next_lf_ = nullptr;
};

int FieldCount(std::string_view line) {
    const int32_t count = StrToInt(line);
    if (count < 1 || count > kMaxFieldCount)
        throw ConvertError("'" + std::string(line) + "' is not a valid field count (1 to 32767)");
    return count;
}

}  // namespace

void ParseRecordBytes(std::string bytes, RecordTable& table) {
    if (const void* eof = std::memchr(bytes.data(), 0x1A, bytes.size()))
        bytes.resize(static_cast<size_t>(static_cast<const char*>(eof) - bytes.data()));
    auto buffer = std::make_shared<const std::string>(std::move(bytes));
    LineCursor lines(buffer->data(), buffer->data() + buffer->size());
    if (lines.AtEnd()) throw ConvertError("'' is not a valid integer value");
    const size_t width = static_cast<size_t>(FieldCount(lines.Next()));

    std::vector<std::string_view> cells;
    while (!lines.AtEnd()) {
        // Cells grow only as lines arrive; a short last record is padded.
        for (size_t field = 0; field < width; ++field)
            cells.push_back(lines.AtEnd() ? std::string_view() : lines.Next());
    }
    if (cells.empty()) return;

    const size_t rows = cells.size() / width;
    for (size_t low = 0, high = rows - 1; low < high; ++low, --high)
        std::swap_ranges(cells.begin() + low * width, cells.begin() + (low + 1) * width, cells.begin() + high * width);
    table.Adopt(std::move(buffer), std::move(cells), width);
}

void ReadRecordFile(const std::string& path, RecordTable& table) {
    ParseRecordBytes(ReadWholeFile(path), table);
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
