#pragma once
// What the week news tree, the historic tree and the file list do with their
// data, apart from the widgets that show it.
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/catalogue/category_tree.h"
#include "core/records/record_table.h"

namespace veltod {

// What a click on a tree asks of the file list window.
enum class ListAction {
    Nothing,  // leave the file list and the details window as they are
    Hide,     // hide the file list and the details window
    Show,     // show the file list filled with the chosen entries
};

// The entries a tree hands to the file list. The list shares the table, so
// when the tree replaces its content the list sees the new content, and the
// table outlives a tree window that is destroyed.
using SharedTable = std::shared_ptr<RecordTable>;

// The week news tree: the categories of the week list's entries.
class WeekNewsBrowser {
public:
    // Reads the category list and the week list of mode and gives the tree.
    // Reader and conversion errors go to the caller, with nothing loaded.
    std::vector<CategoryNode> Load(std::string_view mode);

    // The week entries of exactly this category, newest first, into Chosen().
    ListAction Choose(int32_t code);
    const SharedTable& Chosen() const { return chosen_; }

private:
    CategoryLevels levels_;
    RecordTable week_;
    SharedTable chosen_ = std::make_shared<RecordTable>();
};

// The historic database tree: categories with a history list of the mode,
// themselves or below them, after the last ComputeCategoryMarks.
class HistoricBrowser {
public:
    // The tree of mode's marks; nothing for a mode other than "1".."3".
    std::optional<std::vector<CategoryNode>> Build(std::string_view mode) const;

    // Empties the history table, then reads the category's own history list
    // into it. A category without a list of its own changes nothing else.
    ListAction Choose(int32_t code, std::string_view mode);
    const SharedTable& History() const { return history_; }

private:
    SharedTable history_ = std::make_shared<RecordTable>();
};

// The file list's rows: the names of the shared table when it was filled.
class FileListModel {
public:
    void Fill(SharedTable table);
    const std::vector<std::string>& Names() const { return names_; }
    // The row of the shown table a selected index opens, if any: the table may
    // have been emptied or replaced since the names were listed.
    std::optional<size_t> RowToOpen(int index) const;
    const SharedTable& Table() const { return table_; }

private:
    SharedTable table_;
    std::vector<std::string> names_;
};

}  // namespace veltod
