#include "core/records/record_table.h"

#include <stdexcept>

namespace veltod {

std::string_view CompactLines::Line(size_t index) const {
    const size_t start = static_cast<size_t>(starts.Position(index));
    size_t end = last_end;
    if (index + 1 < starts.Count()) {
        // Lines hold no CR or LF, so the bytes before the next start are this
        // line's end: CR LF, CR or LF.
        const size_t next = static_cast<size_t>(starts.Position(index + 1));
        end = next - 1;
        if (end > start && base[end - 1] == '\r' && base[end] == '\n') --end;
    }
    return {base + start, end - start};
}

std::string_view RecordTable::CompactField(size_t row, size_t column) const {
    // Rows are newest first; the index keeps the file's order.
    const size_t line = (RowCount() - 1 - row) * width_ + column;
    return line < compact_->starts.Count() ? compact_->Line(line) : std::string_view();
}

void RecordTable::MakeViews() {
    if (!compact_) return;
    Cells cells;
    cells.reserve(compact_cells_);
    for (size_t row = 0; row < RowCount(); ++row)
        for (size_t column = 0; column < width_; ++column) cells.push_back(CompactField(row, column));
    cells_ = std::move(cells);
    compact_.reset();
    compact_cells_ = 0;
}

std::vector<std::string> RecordTable::Row(size_t row) const {
    std::vector<std::string> fields;
    if (row >= RowCount()) return fields;
    fields.reserve(width_);
    for (size_t column = 0; column < width_; ++column) fields.emplace_back(Field(row, column));
    return fields;
}

std::string_view RecordTable::Store(std::string value) {
    if (!owned_) owned_ = std::make_shared<std::deque<std::string>>();
    owned_->push_back(std::move(value));
    return owned_->back();
}

void RecordTable::SetField(size_t row, size_t column, std::string value) {
    if (column >= width_ || row >= RowCount()) throw std::out_of_range("record table field out of range");
    MakeViews();
    cells_[row * width_ + column] = Store(std::move(value));
}

void RecordTable::AppendRow(const std::vector<std::string>& fields) {
    MakeViews();
    if (cells_.empty()) width_ = fields.size();
    if (width_ == 0) return;
    for (size_t column = 0; column < width_; ++column)
        cells_.push_back(column < fields.size() ? Store(fields[column]) : std::string_view());
}

void RecordTable::Clear() {
    buffer_.reset();
    owned_.reset();
    cells_.clear();
    compact_.reset();
    compact_cells_ = 0;
    width_ = 0;
}

void RecordTable::Adopt(std::shared_ptr<const void> buffer, Cells cells, size_t width) {
    buffer_ = std::move(buffer);
    owned_.reset();
    cells_ = std::move(cells);
    compact_.reset();
    compact_cells_ = 0;
    width_ = width;
}

void RecordTable::Adopt(std::shared_ptr<const void> buffer, std::shared_ptr<const CompactLines> lines, size_t cells,
                        size_t width) {
    buffer_ = std::move(buffer);
    owned_.reset();
    cells_ = Cells();
    compact_ = std::move(lines);
    compact_cells_ = cells;
    width_ = width;
}

}  // namespace veltod
