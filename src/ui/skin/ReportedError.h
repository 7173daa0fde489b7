#pragma once
// Errors that a handler does not catch end in the application's error box.
#include <exception>

namespace veltod {

// Shows the text of the exception being handled; for use in catch blocks.
void ReportCurrentException();

// Runs a handler and shows its error in the application's error box. Timer,
// menu and activation handlers run inside other windows' handlers or outside
// any event the application's handler sees; reporting here keeps one failing
// window from stopping the rest.
template <typename Work>
void RunReported(Work&& work) {
    try {
        work();
    } catch (...) {
        ReportCurrentException();
    }
}

}  // namespace veltod
