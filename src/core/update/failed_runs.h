#pragma once
// Update command runs that failed on consecutive days, kept in
// kFailedRunsFile so that a failure the user should hear of is told once,
// while a single failure (a day off line) stays quiet.
#include <string>

namespace veltod {

// How many days in a row must fail before the user is told.
inline constexpr int kFailedDaysTold = 3;

// Records a failure on today's local day (the clock seam's); returns how
// many days in a row have now failed: a second failure on the same day
// counts that day once, and a run that did not fail in between starts again
// at one. An unreadable file counts as none.
int RecordFailedRun(const std::string& error);

// A run that did not fail: the count starts again.
void ForgetFailedRuns();

// Today's local day as YYYYMMDD.
std::string LocalToday();

}  // namespace veltod
