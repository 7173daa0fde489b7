#pragma once
// Replacing the program's own executable with a newer one received by an
// update. A running file is not overwritten in place: over three hand-overs
// (four starts) the old and the new executable trade names by renames only,
// and the state of the swap is nothing but which of the files exist. An
// ordinary start, with no swap under way, applies what the last update left.
// A received program that does not answer the self-check, or a copy that
// cannot be started during a hand-over, is put aside as kRefusedFile and the
// running program keeps (or takes back) the program's name, so the
// installation always keeps a program that starts.
#include "core/apply/received_files.h"

namespace veltod {

inline constexpr const char* kProgramFile = "./VeltoD.exe";
inline constexpr const char* kWaitingFile = "./Veltodactualiz.exe";
inline constexpr const char* kNewCopyFile = "./Veltodcambio.exe";
inline constexpr const char* kOldCopyFile = "./Veltodviejo.exe";
// Where a received program that does not run here is put aside.
inline constexpr const char* kRefusedFile = "./Veltodrechazado.exe";

inline constexpr const char* kSwapTitle = "ENGINE UPDATE NEEDED";
inline constexpr const char* kSwapStarting = "VeltoDownload will be updated to a newer version.";
inline constexpr const char* kSwapDone = "VeltoDownload is updated to version: 1.3.5 34 beta";
inline constexpr const char* kSwapRefused =
    "The new version received by the update cannot run here; VeltoDownload keeps its current version. ";

// A received program must answer this argument with this line before it is
// handed the installation; the program's entry answers it and ends.
inline constexpr const char* kSelfCheckArgument = "--self-check";
inline constexpr const char* kSelfCheckAnswer = "VeltoD self-check";
inline constexpr int kSelfCheckWaitSeconds = 20;

// How long a hand-over waits for the previous copy to let go of its file.
inline constexpr int kHandOverWaitMs = 10000;

// Runs the step of the swap that the files call for, or the start-up pass of
// the received files. A step that hands over asks owner to end the program
// and starts the next copy; the caller finishes what it is doing first.
void EngineUpdateSwap(ApplyOwner& owner);

// The start-up pass alone, for the update command, which starts no copy of
// the program: also while a received program waits for its swap (the pass
// leaves it waiting, and what an interrupted pass left must be finished
// before the run goes on), but not while a hand-over is under way.
void StartUpPassBesideSwap(ApplyOwner& owner);

}  // namespace veltod
