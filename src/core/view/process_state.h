#pragma once
// The handful of values that tie the windows together for the whole run.
#include <cstdint>
#include <string>

#include "core/platform/stored_files.h"

namespace veltod {

struct ProcessState {
    std::string FilterMode = "1";      // licence kind chosen on the main window
    std::string ListFilterMode = "1";  // the copy the list routines read
    std::string CurrentView = "NADA";  // content window last opened from the main window
    std::string CategoryMarksLoaded = "no";
    std::string DayListFile = TodayListPath("1");
    int16_t DayNewsLoaded = 0;  // 9999 once the day news window has loaded DayListFile
    int16_t MainActivated = 0;  // 9999 once the main window's first activation ran
};

// Run-once flags are set to this value.
inline constexpr int16_t kDone = 9999;

// The one instance; tests reset it with State() = ProcessState{}.
ProcessState& State();

}  // namespace veltod
