#include "core/update/run_control.h"

#include <cstdlib>

#include "core/platform/program_start.h"
#include "core/update/update_state.h"

namespace veltod {
namespace {

ProcessEndHook process_end = nullptr;

void EndProcessNow() {
    if (process_end) {
        process_end();
        return;
    }
    std::_Exit(0);
}

}  // namespace

void StopIfCancelled() {
    if (TheUpdateState().RunInProgress && TheUpdateState().CancelPressed) throw UpdateCancelled();
}

bool RestartProgram() {
    try {
        TheProgramStarter().Start(TheUpdateSettings().RestartProgram);
    } catch (...) {
        // Without a new copy the user keeps this one.
        return false;
    }
    EndProcessNow();
    return true;
}

void SetProcessEndHook(ProcessEndHook hook) { process_end = hook; }

}  // namespace veltod
