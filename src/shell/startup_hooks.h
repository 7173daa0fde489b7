#pragma once
// Work of other subsystems that the main window's first activation runs:
// the self-update check, then the category presence marks. They start out
// connected to the modules that do the work (the self-update swap once it
// exists); an empty hook is skipped. Tests put counting hooks in their place.
#include <functional>

namespace veltod {

struct StartupHooks {
    std::function<void()> EngineUpdateSwap;
    std::function<void()> ComputeCategoryMarks;
};

// The one instance; tests replace it with TheStartupHooks() = StartupHooks{}.
StartupHooks& TheStartupHooks();

}  // namespace veltod
