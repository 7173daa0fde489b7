#include "shell/engine_update_swap.h"

#include <chrono>
#include <functional>
#include <thread>

#include "platform/errors.h"
#include "platform/file_io.h"
#include "platform/program_start.h"
#include "platform/seams.h"

namespace veltod {
namespace {

bool Exists(const char* path) { return FileExists(path); }

// Repeats a file operation until done() holds. Here renames of a running
// executable succeed at once; the wait only covers a previous copy that is
// slow to let go of its file, and it is bounded so that a start never hangs.
void RetryUntil(const std::function<void()>& attempt, const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kHandOverWaitMs);
    for (;;) {
        try {
            attempt();
        } catch (const Error&) {
        }
        if (done()) return;
        if (std::chrono::steady_clock::now() >= deadline)
            throw Error("The program could not finish its update: another copy still holds its files");
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

void HandOver(ApplyOwner& owner, const char* next) {
    owner.RequestEnd();
    TheProgramStarter().Start(next);
}

}  // namespace

void EngineUpdateSwap(ApplyOwner& owner) {
    if (Exists(kWaitingFile) && Exists(kProgramFile)) {
        TheDialogs().TitledMessage(kSwapTitle, kSwapStarting);
        MoveFile(kWaitingFile, kNewCopyFile);
        HandOver(owner, kNewCopyFile);
        return;
    }
    if (Exists(kNewCopyFile) && Exists(kProgramFile)) {
        TheDialogs().TitledMessage(kSwapTitle, kSwapDone);
        RetryUntil([] { MoveFile(kProgramFile, kOldCopyFile); }, [] { return Exists(kOldCopyFile); });
        HandOver(owner, kOldCopyFile);
        return;
    }
    if (Exists(kNewCopyFile) && Exists(kOldCopyFile)) {
        RetryUntil([] { MoveFile(kNewCopyFile, kProgramFile); }, [] { return Exists(kProgramFile); });
        HandOver(owner, kProgramFile);
        return;
    }
    if (Exists(kProgramFile) && Exists(kOldCopyFile))
        RetryUntil([] { DeleteFile(kOldCopyFile); }, [] { return !Exists(kOldCopyFile); });
    if (Exists(kProgramFile) && !Exists(kOldCopyFile) && !Exists(kNewCopyFile) && !Exists(kWaitingFile))
        ApplyReceivedFiles(owner, kStartUpDate);
}

}  // namespace veltod
