#pragma once
// Which categories have received entries, per licence kind: a category is
// marked when a history list exists for it or for a category below it. The
// main window computes the marks when the historic tree is first opened and
// the update run after every update; the historic tree reads them.
#include <array>
#include <string>
#include <string_view>

#include "core/catalogue/category_tree.h"

namespace veltod {

struct CategoryMarkSet {
    CategoryLevels levels;
    std::array<MarkTable, 3> marks;  // licence kinds "1", "2", "3"
};

// The process-wide marks as last computed (empty before the first run).
CategoryMarkSet& CategoryMarks();

// The marks of one licence kind, or nullptr for a mode other than "1".."3".
const MarkTable* MarksOfMode(std::string_view mode);

// Rebuilds the levels from kCategoryListFile, marks them from the history
// lists found in kResourcesFolder, sets CategoryMarksLoaded to "si" and
// gives back "ok". A reader error goes to the caller; the marks computed
// before then stay, and CategoryMarksLoaded keeps its value.
std::string ComputeCategoryMarks();

// The same computation on explicit paths, without touching the process-wide
// values.
CategoryMarkSet ComputeCategoryMarkSet(const std::string& category_list, const std::string& resources_folder);

}  // namespace veltod
