#include "core/catalogue/category_marks.h"

#include "core/platform/stored_files.h"
#include "core/view/process_state.h"

namespace veltod {

CategoryMarkSet& CategoryMarks() {
    static CategoryMarkSet marks;
    return marks;
}

const MarkTable* MarksOfMode(std::string_view mode) {
    const int index = ModeIndex(mode);
    return index < 0 ? nullptr : &CategoryMarks().marks[static_cast<size_t>(index)];
}

CategoryMarkSet ComputeCategoryMarkSet(const std::string& category_list, const std::string& resources_folder) {
    CategoryMarkSet set;
    set.levels = ReadCategoryLevels(category_list);
    const HistoryCodes present = ListHistoryCodes(resources_folder);
    for (size_t mode = 0; mode < set.marks.size(); ++mode) {
        MarkTable marks = BlankMarks(set.levels);
        MarkCodes(set.levels, present.by_mode[mode], marks);
        PropagateMarksUp(set.levels, marks);
        set.marks[mode] = std::move(marks);
    }
    return set;
}

std::string ComputeCategoryMarks() {
    CategoryMarks() = ComputeCategoryMarkSet(kCategoryListFile, kResourcesFolder);
    State().CategoryMarksLoaded = "si";
    return "ok";
}

}  // namespace veltod
