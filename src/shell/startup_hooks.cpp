#include "shell/startup_hooks.h"

#include "catalogue/category_marks.h"

namespace veltod {

StartupHooks& TheStartupHooks() {
    static StartupHooks hooks{{}, [] { ComputeCategoryMarks(); }};
    return hooks;
}

}  // namespace veltod
