#include "platform/program_start.h"

#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

#include "platform/errors.h"

extern char** environ;

namespace veltod {
namespace {

ProgramStarter* installed = nullptr;
std::string runner_path;

bool IsPackage(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    char head[3] = {};
    return in.read(head, 3) && std::memcmp(head, "MZP", 3) == 0;
}

// The command line that starts path.
std::vector<std::string> CommandFor(const std::string& path) {
    if (IsPackage(path)) return {PackageRunnerPath(), path};
    struct stat info{};
    if (::stat(path.c_str(), &info) == 0 && (info.st_mode & S_IXUSR) == 0)
        ::chmod(path.c_str(), info.st_mode | S_IXUSR | S_IXGRP | S_IXOTH);
    // A bare name would be looked up on PATH; the file is meant.
    return {path.find('/') == std::string::npos ? "./" + path : path};
}

pid_t Spawn(const std::string& path) {
    if (!std::filesystem::exists(path)) throw Error("Cannot start " + path + ": File not found");
    std::vector<std::string> command = CommandFor(path);
    std::vector<char*> argv;
    for (auto& argument : command) argv.push_back(argument.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int status = ::posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ);
    if (status != 0) throw Error("Cannot start " + path + ": " + std::strerror(status));
    return pid;
}

}  // namespace

void ProcessStarter::Start(const std::string& path) {
    const pid_t pid = Spawn(path);
    // Nobody waits for it; a thread collects its exit so it leaves no zombie.
    std::thread([pid] {
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }).detach();
}

void ProcessStarter::RunAndWait(const std::string& path, int timeout_seconds) {
    const pid_t pid = Spawn(path);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeout_seconds);
    int status = 0;
    for (;;) {
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid) break;
        if (done < 0 && errno != EINTR) throw Error("Lost track of " + path + ": " + std::strerror(errno));
        if (std::chrono::steady_clock::now() >= deadline) {
            ::kill(pid, SIGKILL);
            while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
            throw Error(path + " did not finish within " + std::to_string(timeout_seconds) + " seconds");
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return;
    if (WIFEXITED(status)) throw Error(path + " failed with exit status " + std::to_string(WEXITSTATUS(status)));
    throw Error(path + " ended by signal " + std::to_string(WTERMSIG(status)));
}

ProgramStarter& TheProgramStarter() {
    static ProcessStarter real;
    return installed ? *installed : real;
}

void SetProgramStarter(ProgramStarter* starter) { installed = starter; }

std::string PackageRunnerPath() {
    if (!runner_path.empty()) return runner_path;
    std::error_code error;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", error);
    return (error ? std::filesystem::path(".") : self.parent_path()).string() + "/veltod-unpack";
}

void SetPackageRunnerPath(const std::string& path) { runner_path = path; }

}  // namespace veltod
