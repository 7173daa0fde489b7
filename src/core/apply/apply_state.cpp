#include "core/apply/apply_state.h"

namespace veltod {
namespace {
ApplyStepHook step_hook = nullptr;
}

ApplyState& TheApplyState() {
    static ApplyState state;
    return state;
}

void SetApplyStepHook(ApplyStepHook hook) { step_hook = hook; }

void ApplyStep() {
    if (step_hook) step_hook();
}

}  // namespace veltod
