#pragma once
// Process-wide values of the code that applies received updates, and the
// step hook that lets a test stop the process between two file operations.
#include <string>

namespace veltod {

struct ApplyState {
    std::string ApplyDate;           // date of the latest ApplyReceivedFiles call
    std::string LastListedDay;       // last day of kDayIndexFile as NextDay last read it
    std::string ProxyFileRewritten;  // "ACTUALIZADO" once an update script set the notification address
};

// The one instance; tests reset it with TheApplyState() = ApplyState{}.
ApplyState& TheApplyState();

// Called before every file operation that changes installed data. The hook
// is empty in the program; a crash test installs one that ends the process.
using ApplyStepHook = void (*)();
void SetApplyStepHook(ApplyStepHook hook);
void ApplyStep();

}  // namespace veltod
