#include "catalogue/record_table.h"

#include <stdexcept>

namespace veltod {

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
    cells_[row * width_ + column] = Store(std::move(value));
}

void RecordTable::AppendRow(const std::vector<std::string>& fields) {
    if (cells_.empty()) width_ = fields.size();
    if (width_ == 0) return;
    for (size_t column = 0; column < width_; ++column)
        cells_.push_back(column < fields.size() ? Store(fields[column]) : std::string_view());
}

void RecordTable::Clear() {
    buffer_.reset();
    owned_.reset();
    cells_.clear();
    width_ = 0;
}

void RecordTable::Adopt(std::shared_ptr<const void> buffer, Cells cells, size_t width) {
    buffer_ = std::move(buffer);
    owned_.reset();
    cells_ = std::move(cells);
    width_ = width;
}

}  // namespace veltod
