#pragma once
// The in-memory form of a catalogue record file: rows of fields, every row the
// same width, row 0 the newest record. Fields read from a file are views into
// one shared buffer holding the file; fields set later are owned strings kept
// in a store whose elements never move. Copies share both, so a copy is cheap
// and every view stays valid for as long as any copy lives. A file of very
// short lines is indexed compactly instead (CompactLines), so no file takes
// much more memory than its own size; setting a field turns such a table
// into views first.
#include <cstddef>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/platform/large_buffer.h"
#include "core/records/line_index.h"

namespace veltod {

// The lines of a buffer, oldest record first, by where each starts; a line
// ends where the next one's line end begins.
struct CompactLines {
    const char* base = nullptr;
    LineIndex starts{0, 0};
    size_t last_end = 0;  // where the last line ends

    std::string_view Line(size_t index) const;
};

class RecordTable {
public:
    using Cells = std::vector<std::string_view, LargeAllocator<std::string_view>>;

    RecordTable() = default;

    size_t RowCount() const { return width_ == 0 ? 0 : CellCount() / width_; }
    size_t Width() const { return width_; }
    bool Empty() const { return CellCount() == 0; }

    // A field outside the table reads as empty: lists with fewer fields than a
    // caller expects must not crash it.
    std::string_view Field(size_t row, size_t column) const {
        if (column >= width_ || row >= RowCount()) return {};
        if (compact_) return CompactField(row, column);
        return cells_[row * width_ + column];
    }
    std::string FieldString(size_t row, size_t column) const { return std::string(Field(row, column)); }
    std::vector<std::string> Row(size_t row) const;

    // Sets a field inside the table; raises std::out_of_range outside it.
    void SetField(size_t row, size_t column, std::string value);

    // Adds a record after the last row (an older record than every row so far).
    // The record is cut or padded with empty fields to the table's width; the
    // first row added to an empty table sets the width.
    void AppendRow(const std::vector<std::string>& fields);

    void Clear();

    // Used by the reader: adopt the owner of the bytes and the flat cell views
    // into them.
    void Adopt(std::shared_ptr<const void> buffer, Cells cells, size_t width);
    // The same for a compact index: cells fields in all, the lines beyond the
    // index reading as empty.
    void Adopt(std::shared_ptr<const void> buffer, std::shared_ptr<const CompactLines> lines, size_t cells,
               size_t width);

private:
    size_t CellCount() const { return compact_ ? compact_cells_ : cells_.size(); }
    std::string_view CompactField(size_t row, size_t column) const;
    void MakeViews();
    std::string_view Store(std::string value);

    std::shared_ptr<const void> buffer_;
    std::shared_ptr<std::deque<std::string>> owned_;
    Cells cells_;
    std::shared_ptr<const CompactLines> compact_;
    size_t compact_cells_ = 0;
    size_t width_ = 0;
};

}  // namespace veltod
