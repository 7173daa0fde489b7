#pragma once
// Runs a handler and shows its error in the application's error box. Timer,
// menu and activation handlers of the sponsor windows run inside other
// windows' handlers or outside any event the application's handler sees;
// reporting here keeps one failing banner or book from stopping the rest.
#include "shell/VeltodApplication.h"

namespace veltod {

template <typename Work>
void RunReported(Work&& work) {
    try {
        work();
    } catch (...) {
        ReportCurrentException();
    }
}

}  // namespace veltod
