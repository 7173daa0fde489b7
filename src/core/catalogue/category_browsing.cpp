#include "core/catalogue/category_browsing.h"

#include "core/catalogue/catalogue_entry.h"
#include "core/catalogue/category_marks.h"
#include "core/platform/file_io.h"
#include "core/platform/stored_files.h"
#include "core/records/record_file.h"

namespace veltod {

std::vector<CategoryNode> WeekNewsBrowser::Load(std::string_view mode) {
    levels_.clear();
    week_.Clear();
    CategoryLevels levels = ReadCategoryLevels();
    RecordTable week;
    ReadRecordFile(WeekListPath(mode), week);
    auto tree = BuildCategoryTree(levels, EntryMarks(levels, week));
    levels_ = std::move(levels);
    week_ = std::move(week);
    return tree;
}

ListAction WeekNewsBrowser::Choose(int32_t code) {
    *chosen_ = EntriesOfCategory(week_, code);
    return chosen_->Empty() ? ListAction::Hide : ListAction::Show;
}

std::optional<std::vector<CategoryNode>> HistoricBrowser::Build(std::string_view mode) const {
    const MarkTable* marks = MarksOfMode(mode);
    if (marks == nullptr) return std::nullopt;
    return BuildCategoryTree(CategoryMarks().levels, *marks);
}

ListAction HistoricBrowser::Choose(int32_t code, std::string_view mode) {
    const std::string path = HistoryListPath(code, mode);
    history_->Clear();
    if (!FileExists(path)) return ListAction::Nothing;
    ReadRecordFile(path, *history_);
    return history_->Empty() ? ListAction::Hide : ListAction::Show;
}

void FileListModel::Fill(SharedTable table) {
    table_ = std::move(table);
    names_.clear();
    if (!table_) return;
    names_.reserve(table_->RowCount());
    for (size_t row = 0; row < table_->RowCount(); ++row)
        names_.emplace_back(EntryValue(*table_, row, EntryField::Name));
}

std::optional<size_t> FileListModel::RowToOpen(int index) const {
    if (!table_ || index < 0 || static_cast<size_t>(index) >= table_->RowCount()) return std::nullopt;
    return static_cast<size_t>(index);
}

}  // namespace veltod
