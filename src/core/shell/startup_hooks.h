#pragma once
// Work of other subsystems that the main window runs: the self-update check
// at its first activation, the category presence marks when the historic
// tree is first opened. The program entry
// connects them to the modules that do the work; an empty hook is skipped, so
// window tests run the main window without those modules' files.
#include <functional>

namespace veltod {

struct StartupHooks {
    std::function<void()> EngineUpdateSwap;
    std::function<void()> ComputeCategoryMarks;
};

// The one instance; tests replace it with TheStartupHooks() = StartupHooks{}.
StartupHooks& TheStartupHooks();

}  // namespace veltod
