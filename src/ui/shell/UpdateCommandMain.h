#pragma once
// The program's entry for `VeltoD.exe --update`: the update run with no
// window and no display, for a terminal or the daily timer.

namespace veltod {

inline constexpr const char* kUpdateArgument = "--update";
// Starts the program with the day news of the newest day open.
inline constexpr const char* kDayNewsArgument = "--day-news";

// Runs the update command and returns its exit status (UpdateExit).
int UpdateCommandMain(int argc, char** argv);

}  // namespace veltod
