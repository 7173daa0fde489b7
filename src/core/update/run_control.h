#pragma once
// How a run stops early: a Cancel pressed during it, and the fresh copy of
// the program that replaces this one afterwards. The run and the file fetch
// both check for a Cancel between their steps.
#include "core/platform/errors.h"

namespace veltod {

// Raised where a run meets a Cancel; RunUpdate ends the run quietly on it.
class UpdateCancelled : public Stopped {
public:
    UpdateCancelled() : Stopped(kUpdateCancelledText) {}
    static constexpr const char* kUpdateCancelledText = "The update was cancelled: nothing more is downloaded or applied.";
};

// Raises UpdateCancelled once Cancel has been pressed in this run.
void StopIfCancelled();

// Starts TheUpdateSettings().RestartProgram and ends this process at once.
// Returns false, leaving this process running, when the new copy could not
// be started.
bool RestartProgram();

// What ends the process at once; tests install a recorder.
using ProcessEndHook = void (*)();
void SetProcessEndHook(ProcessEndHook hook);  // nullptr restores the real end

}  // namespace veltod
