#pragma once
// The update command: the update button's run without a window, for a
// terminal or a timer. It takes the installation as a start of the program
// would (the start-up pass over received files), runs the very same update
// run with a console view, tells the desktop what arrived, and ends with a
// status that tells arrived, up to date and failed apart.
#include <cstdio>
#include <string>
#include <vector>

#include "core/update/update_run.h"

namespace veltod {

// Exit statuses of `VeltoD.exe --update`.
enum UpdateExit : int {
    kExitDaysArrived = 0,
    kExitFailed = 1,
    kExitUsage = 2,  // a command line the program does not know
    kExitUpToDate = 3,
    kExitAlreadyRunning = 4,
    kExitCancelled = 5,
};

// What the command tells the desktop; the program gives the notification
// service, tests a recorder. Neither may raise.
class UpdateNotices {
public:
    virtual ~UpdateNotices() = default;
    virtual void DaysArrived(const std::vector<DayArrival>& days) = 0;
    // Told once, when the failures reach kFailedDaysTold days in a row.
    virtual void FailingDays(int days, const std::string& last_error) = 0;
};

// Runs the command in the installation whose bin/ is the working directory.
// Outcomes and errors go to err; progress lines go there only when terminal.
// SIGINT and SIGTERM act as Cancel while it runs: what arrived is kept.
int RunUpdateCommand(UpdateNotices& notices, std::FILE* err, bool terminal);

// The short line the command ends with for each exit status.
std::string UpdateExitText(int status);

}  // namespace veltod
