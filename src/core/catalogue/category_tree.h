#pragma once
// The category list arranged by level, presence marks over it, and the trees
// of marked categories that the week news and historic windows show.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/platform/stored_files.h"
#include "core/records/record_table.h"

namespace veltod {

struct Category {
    std::string name;
    int32_t code = 0;
    int32_t parent = 0;
};

// One table per level from 0 to the deepest level listed, each holding its
// categories in the order the record reader returns them (newest first).
using CategoryLevels = std::vector<std::vector<Category>>;

// Marks parallel to CategoryLevels: one value per category of each level.
using MarkTable = std::vector<std::vector<int16_t>>;
inline constexpr int16_t kMarkEmpty = 99;
inline constexpr int16_t kMarkPresent = 100;

// The trees show levels 0 to 6; deeper levels still pass marks upward.
inline constexpr int kDeepestShownLevel = 6;
// Levels beyond this (or below 0) are not categories anyone can place.
inline constexpr int kDeepestLevel = 32767;

// Rebuilds levels from a table of the category list (code, parent code,
// level, name). A record whose level lies outside 0..kDeepestLevel is left
// out. Non-numeric codes or levels raise ConvertError and leave levels as
// they were; the parent of a level-0 category is not read.
void BuildCategoryLevels(const RecordTable& categories, CategoryLevels& levels);

// Reads the category list file and builds its levels.
CategoryLevels ReadCategoryLevels(const std::string& path = kCategoryListFile);

// Every category at kMarkEmpty.
MarkTable BlankMarks(const CategoryLevels& levels);

// Marks every category whose code is in codes (sorted ascending).
void MarkCodes(const CategoryLevels& levels, const std::vector<int32_t>& sorted_codes, MarkTable& marks);

// From the deepest level up to level 1: a marked category marks every
// category of the level above whose code is its parent code.
void PropagateMarksUp(const CategoryLevels& levels, MarkTable& marks);

// The marks of the week news tree: the categories of the entries' CategoryCode
// and their ancestors. A CategoryCode that is not a number raises ConvertError.
MarkTable EntryMarks(const CategoryLevels& levels, const RecordTable& entries);

struct CategoryNode {
    std::string name;
    int32_t code = 0;
    std::vector<CategoryNode> children;
};

// The marked categories of levels 0 to 6 as a tree: a level-0 category at the
// top, under each category the marked categories of the next level whose
// parent code is its code. Siblings are sorted by name, letters compared
// without regard to case; equal names keep their list order.
std::vector<CategoryNode> BuildCategoryTree(const CategoryLevels& levels, const MarkTable& marks);

// The entries whose CategoryCode is code, in table order (sub-categories
// excluded).
RecordTable EntriesOfCategory(const RecordTable& entries, int32_t code);

// The codes that have a history list in folder, one sorted list per licence
// kind "1", "2", "3". Only names that HistoryListPath would produce count.
struct HistoryCodes {
    std::vector<int32_t> by_mode[3];
};
HistoryCodes ListHistoryCodes(const std::string& folder = kResourcesFolder);

// 0, 1, 2 for "1", "2", "3"; -1 for any other mode.
int ModeIndex(std::string_view mode);

}  // namespace veltod
