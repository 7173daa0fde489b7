// libFuzzer target: any bytes read as a category list, with any week entries
// taken from the same bytes, give level tables and a tree whose every node is
// a marked category of levels 0 to 6 under its parent, or raise ConvertError.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/catalogue/category_tree.h"
#include "core/platform/errors.h"
#include "core/records/record_file.h"

namespace {

// A level may list a code twice under different parents (a list edited by
// hand, a category added again): the node must be one of them.
const veltod::Category* Find(const veltod::CategoryLevels& levels, size_t level, int32_t code, int32_t parent) {
    for (const auto& category : levels[level])
        if (category.code == code && (level == 0 || category.parent == parent)) return &category;
    return nullptr;
}

void Check(const veltod::CategoryLevels& levels, const std::vector<veltod::CategoryNode>& nodes, size_t level,
           int32_t parent) {
    if (level > static_cast<size_t>(veltod::kDeepestShownLevel) && !nodes.empty()) std::abort();
    for (const auto& node : nodes) {
        if (Find(levels, level, node.code, parent) == nullptr) std::abort();
        Check(levels, node.children, level + 1, node.code);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const size_t half = bytes.find('|');
    veltod::RecordTable categories;
    veltod::RecordTable week;
    veltod::CategoryLevels levels;
    try {
        veltod::ParseRecordBytes(bytes.substr(0, half), categories);
        veltod::BuildCategoryLevels(categories, levels);
        if (half != std::string::npos) veltod::ParseRecordBytes(bytes.substr(half + 1), week);
        const auto tree = veltod::BuildCategoryTree(levels, veltod::EntryMarks(levels, week));
        Check(levels, tree, 0, 0);
    } catch (const veltod::ConvertError&) {
        return 0;
    }
    return 0;
}
