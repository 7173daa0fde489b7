#include "core/catalogue/category_tree.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <utility>

#include "core/catalogue/catalogue_entry.h"
#include "core/platform/convert.h"
#include "core/platform/errors.h"
#include "core/platform/file_io.h"
#include "core/records/record_file.h"

namespace veltod {
namespace {

// (code, index) pairs sorted by code: every category of a level with a given
// code, found by binary search. Lists of tens of thousands of categories make
// a scan per category too slow.
using CodeIndex = std::vector<std::pair<int32_t, uint32_t>>;

template <typename Key>
CodeIndex IndexLevel(const std::vector<Category>& level, Key key) {
    CodeIndex index;
    index.reserve(level.size());
    for (uint32_t i = 0; i < level.size(); ++i) index.emplace_back(key(level[i]), i);
    std::stable_sort(index.begin(), index.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    return index;
}

std::pair<CodeIndex::const_iterator, CodeIndex::const_iterator> Matches(const CodeIndex& index, int32_t code) {
    return std::equal_range(index.begin(), index.end(), std::pair<int32_t, uint32_t>(code, 0),
                            [](const auto& a, const auto& b) { return a.first < b.first; });
}

unsigned char Folded(unsigned char c) {
    return c >= 'a' && c <= 'z' ? static_cast<unsigned char>(c - 'a' + 'A') : c;
}

bool NameBefore(const std::string& a, const std::string& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return Folded(static_cast<unsigned char>(x)) < Folded(static_cast<unsigned char>(y));
    });
}

void AddChildren(const CategoryLevels& levels, const MarkTable& marks, const std::vector<CodeIndex>& by_parent,
                 size_t level, int32_t code, std::vector<CategoryNode>& into) {
    const size_t child_level = level + 1;
    if (child_level >= levels.size() || child_level > static_cast<size_t>(kDeepestShownLevel)) return;
    auto [first, last] = Matches(by_parent[child_level], code);
    for (auto it = first; it != last; ++it) {
        if (marks[child_level][it->second] != kMarkPresent) continue;
        const Category& category = levels[child_level][it->second];
        CategoryNode node{category.name, category.code, {}};
        AddChildren(levels, marks, by_parent, child_level, category.code, node.children);
        into.push_back(std::move(node));
    }
    std::stable_sort(into.begin(), into.end(),
                     [](const CategoryNode& a, const CategoryNode& b) { return NameBefore(a.name, b.name); });
}

bool IsRegularFile(const std::string& folder, const dirent* entry) {
    if (entry->d_type == DT_REG) return true;
    if (entry->d_type != DT_UNKNOWN && entry->d_type != DT_LNK) return false;
    return FileExists(folder + (folder.ends_with('/') ? "" : "/") + entry->d_name);
}

}  // namespace

int ModeIndex(std::string_view mode) {
    if (mode == "1") return 0;
    if (mode == "2") return 1;
    if (mode == "3") return 2;
    return -1;
}

void BuildCategoryLevels(const RecordTable& categories, CategoryLevels& levels) {
    CategoryLevels built(1);
    for (size_t row = 0; row < categories.RowCount(); ++row) {
        const int32_t level = StrToInt(categories.Field(row, 2));
        if (level < 0 || level > kDeepestLevel) continue;
        const int32_t code = StrToInt(categories.Field(row, 0));
        int32_t parent = 0;
        if (level == 0) {
            TryStrToInt(categories.Field(row, 1), parent);
        } else {
            parent = StrToInt(categories.Field(row, 1));
        }
        if (static_cast<size_t>(level) >= built.size()) built.resize(static_cast<size_t>(level) + 1);
        built[static_cast<size_t>(level)].push_back(Category{categories.FieldString(row, 3), code, parent});
    }
    levels = std::move(built);
}

CategoryLevels ReadCategoryLevels(const std::string& path) {
    RecordTable table;
    ReadRecordFile(path, table);
    CategoryLevels levels;
    BuildCategoryLevels(table, levels);
    return levels;
}

MarkTable BlankMarks(const CategoryLevels& levels) {
    MarkTable marks(levels.size());
    for (size_t level = 0; level < levels.size(); ++level) marks[level].assign(levels[level].size(), kMarkEmpty);
    return marks;
}

void MarkCodes(const CategoryLevels& levels, const std::vector<int32_t>& sorted_codes, MarkTable& marks) {
    if (sorted_codes.empty()) return;
    for (size_t level = 0; level < levels.size(); ++level) {
        for (size_t i = 0; i < levels[level].size(); ++i) {
            if (std::binary_search(sorted_codes.begin(), sorted_codes.end(), levels[level][i].code))
                marks[level][i] = kMarkPresent;
        }
    }
}

void PropagateMarksUp(const CategoryLevels& levels, MarkTable& marks) {
    for (size_t level = levels.size(); level-- > 1;) {
        const auto& above = levels[level - 1];
        if (above.empty()) continue;
        const CodeIndex by_code = IndexLevel(above, [](const Category& c) { return c.code; });
        for (size_t i = 0; i < levels[level].size(); ++i) {
            if (marks[level][i] != kMarkPresent) continue;
            auto [first, last] = Matches(by_code, levels[level][i].parent);
            for (auto it = first; it != last; ++it) marks[level - 1][it->second] = kMarkPresent;
        }
    }
}

MarkTable EntryMarks(const CategoryLevels& levels, const RecordTable& entries) {
    std::vector<int32_t> codes;
    codes.reserve(entries.RowCount());
    for (size_t row = 0; row < entries.RowCount(); ++row)
        codes.push_back(StrToInt(EntryValue(entries, row, EntryField::CategoryCode)));
    std::sort(codes.begin(), codes.end());
    codes.erase(std::unique(codes.begin(), codes.end()), codes.end());
    MarkTable marks = BlankMarks(levels);
    MarkCodes(levels, codes, marks);
    PropagateMarksUp(levels, marks);
    return marks;
}

std::vector<CategoryNode> BuildCategoryTree(const CategoryLevels& levels, const MarkTable& marks) {
    std::vector<CategoryNode> top;
    if (levels.empty() || marks.size() != levels.size()) return top;
    const size_t shown = std::min(levels.size(), static_cast<size_t>(kDeepestShownLevel) + 1);
    std::vector<CodeIndex> by_parent(shown);
    for (size_t level = 1; level < shown; ++level)
        by_parent[level] = IndexLevel(levels[level], [](const Category& c) { return c.parent; });
    for (size_t i = 0; i < levels[0].size(); ++i) {
        if (marks[0][i] != kMarkPresent) continue;
        CategoryNode node{levels[0][i].name, levels[0][i].code, {}};
        AddChildren(levels, marks, by_parent, 0, node.code, node.children);
        top.push_back(std::move(node));
    }
    std::stable_sort(top.begin(), top.end(),
                     [](const CategoryNode& a, const CategoryNode& b) { return NameBefore(a.name, b.name); });
    return top;
}

RecordTable EntriesOfCategory(const RecordTable& entries, int32_t code) {
    RecordTable result;
    for (size_t row = 0; row < entries.RowCount(); ++row) {
        if (StrToInt(EntryValue(entries, row, EntryField::CategoryCode)) == code) result.AppendRow(entries.Row(row));
    }
    return result;
}

HistoryCodes ListHistoryCodes(const std::string& folder) {
    HistoryCodes found;
    std::unique_ptr<DIR, int (*)(DIR*)> directory(::opendir(folder.c_str()), ::closedir);
    if (!directory) throw FileError(FileErrorText(errno));
    while (const dirent* entry = ::readdir(directory.get())) {
        const std::string_view name(entry->d_name);
        // "<code>.<kind>cat"
        if (name.size() < 6 || name.substr(name.size() - 3) != "cat" || name[name.size() - 5] != '.') continue;
        const int mode = ModeIndex(name.substr(name.size() - 4, 1));
        if (mode < 0) continue;
        const std::string_view digits = name.substr(0, name.size() - 5);
        int32_t code = 0;
        if (!TryStrToInt(digits, code) || std::to_string(code) != digits) continue;
        if (!IsRegularFile(folder, entry)) continue;
        found.by_mode[mode].push_back(code);
    }
    for (auto& codes : found.by_mode) std::sort(codes.begin(), codes.end());
    return found;
}

}  // namespace veltod
