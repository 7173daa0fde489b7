#include "core/shell/engine_update_swap.h"

#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include "core/platform/errors.h"
#include "core/platform/file_io.h"
#include "core/platform/program_start.h"
#include "core/platform/seams.h"

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

void SetAside(const char* program) {
    if (Exists(kRefusedFile)) DeleteFile(kRefusedFile);
    MoveFile(program, kRefusedFile);
}

void TellRefused(const std::string& reason) { TheDialogs().ErrorBox(kSwapRefused + reason); }

// True when the received program answers the self-check; otherwise it is put
// aside and the user is told, and the start goes on as an ordinary one.
bool RunsHere(const char* program) {
    std::string failure;
    try {
        const std::string answer = TheProgramStarter().RunForAnswer(program, kSelfCheckArgument, kSelfCheckWaitSeconds);
        if (answer.rfind(kSelfCheckAnswer, 0) == 0) return true;
        failure = std::string(program) + " did not answer its self-check.";
    } catch (const Error& error) {
        failure = error.what();
    }
    SetAside(program);
    TellRefused(failure);
    return false;
}

// Starts the next copy and asks this one to end. When the start fails, undo
// gives the files back the names they had, so this copy goes on and the next
// start finds a program that runs.
void HandOver(ApplyOwner& owner, const char* next, const std::function<void()>& undo) {
    try {
        TheProgramStarter().Start(next);
    } catch (const Error& error) {
        undo();
        TellRefused(error.what());
        return;
    }
    owner.RequestEnd();
}

}  // namespace

void EngineUpdateSwap(ApplyOwner& owner) {
    if (Exists(kWaitingFile) && Exists(kProgramFile) && RunsHere(kWaitingFile)) {
        TheDialogs().TitledMessage(kSwapTitle, kSwapStarting);
        MoveFile(kWaitingFile, kNewCopyFile);
        HandOver(owner, kNewCopyFile, [] { SetAside(kNewCopyFile); });
        return;
    }
    if (Exists(kNewCopyFile) && Exists(kProgramFile)) {
        TheDialogs().TitledMessage(kSwapTitle, kSwapDone);
        RetryUntil([] { MoveFile(kProgramFile, kOldCopyFile); }, [] { return Exists(kOldCopyFile); });
        HandOver(owner, kOldCopyFile, [] { MoveFile(kOldCopyFile, kProgramFile); });
        return;
    }
    if (Exists(kNewCopyFile) && Exists(kOldCopyFile)) {
        RetryUntil([] { MoveFile(kNewCopyFile, kProgramFile); }, [] { return Exists(kProgramFile); });
        // This copy is the old program: it takes its name back.
        HandOver(owner, kProgramFile, [] {
            SetAside(kProgramFile);
            MoveFile(kOldCopyFile, kProgramFile);
        });
        return;
    }
    if (Exists(kProgramFile) && Exists(kOldCopyFile))
        RetryUntil([] { DeleteFile(kOldCopyFile); }, [] { return !Exists(kOldCopyFile); });
    if (Exists(kProgramFile) && !Exists(kOldCopyFile) && !Exists(kNewCopyFile) && !Exists(kWaitingFile))
        ApplyReceivedFiles(owner, kStartUpDate);
}

void StartUpPassBesideSwap(ApplyOwner& owner) {
    if (Exists(kProgramFile) && !Exists(kOldCopyFile) && !Exists(kNewCopyFile)) ApplyReceivedFiles(owner, kStartUpDate);
}

}  // namespace veltod
