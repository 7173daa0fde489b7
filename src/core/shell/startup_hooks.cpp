#include "core/shell/startup_hooks.h"

namespace veltod {

StartupHooks& TheStartupHooks() {
    static StartupHooks hooks;
    return hooks;
}

}  // namespace veltod
