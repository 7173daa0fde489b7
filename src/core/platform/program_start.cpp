#include "core/platform/program_start.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <functional>
#include <fstream>
#include <thread>
#include <vector>

#include "core/platform/errors.h"

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

pid_t SpawnCommand(const std::string& path, std::vector<std::string> command,
                   const posix_spawn_file_actions_t* actions = nullptr) {
    std::vector<char*> argv;
    for (auto& argument : command) argv.push_back(argument.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int status = ::posix_spawn(&pid, argv[0], actions, nullptr, argv.data(), environ);
    if (status != 0) throw Error("Cannot start " + path + ": " + std::strerror(status));
    return pid;
}

pid_t Spawn(const std::string& path) {
    if (!std::filesystem::exists(path)) throw Error("Cannot start " + path + ": File not found");
    return SpawnCommand(path, CommandFor(path));
}

// Waits for pid to end, at most timeout_seconds (it is killed then), and
// raises Error unless it ended with exit status 0. poll_output, when given,
// runs between the checks so that a child writing to a pipe never blocks;
// stop, when given and answering true, ends the child and raises Stopped.
void WaitForSuccess(pid_t pid, const std::string& path, int timeout_seconds,
                    const std::function<void()>& poll_output = {}, const std::function<bool()>& stop = {}) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeout_seconds);
    int status = 0;
    for (;;) {
        if (poll_output) poll_output();
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid) break;
        if (done < 0 && errno != EINTR) throw Error("Lost track of " + path + ": " + std::strerror(errno));
        const bool stopped = stop && stop();
        if (stopped || std::chrono::steady_clock::now() >= deadline) {
            ::kill(pid, SIGKILL);
            while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
            if (stopped) throw Stopped(path + " was stopped before it finished");
            throw Error(path + " did not finish within " + std::to_string(timeout_seconds) + " seconds");
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return;
    if (WIFEXITED(status)) throw Error(path + " failed with exit status " + std::to_string(WEXITSTATUS(status)));
    throw Error(path + " ended by signal " + std::to_string(WTERMSIG(status)));
}

// A file without a name for a program's error output; -1 when none can be made.
int ErrorOutputFile() {
    int fd = ::open("/tmp", O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd < 0) {
        char pattern[] = "/tmp/veltod-errors-XXXXXX";
        fd = ::mkostemp(pattern, O_CLOEXEC);
        if (fd >= 0) ::unlink(pattern);
    }
    return fd;
}

// The last line the program wrote there, to say why it failed; closes fd.
std::string LastErrorLine(int fd) {
    if (fd < 0) return {};
    char text[4096];
    const ssize_t got = ::pread(fd, text, sizeof text, 0);
    ::close(fd);
    if (got <= 0) return {};
    std::string lines(text, static_cast<size_t>(got));
    while (!lines.empty() && (lines.back() == '\n' || lines.back() == '\r')) lines.pop_back();
    const size_t start = lines.find_last_of("\r\n");
    return start == std::string::npos ? lines : lines.substr(start + 1);
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

std::string ProgramStarter::RunForAnswer(const std::string& path, const std::string&, int) {
    throw Error("Cannot start " + path + ": this starter runs no program for its answer");
}

void ProgramStarter::RunAndWaitUnless(const std::string& path, int timeout_seconds,
                                      const std::function<bool()>& stop) {
    if (stop && stop()) throw Stopped(path + " was not started: the work was stopped");
    RunAndWait(path, timeout_seconds);
}

void ProcessStarter::RunAndWait(const std::string& path, int timeout_seconds) {
    RunAndWaitUnless(path, timeout_seconds, {});
}

void ProcessStarter::RunAndWaitUnless(const std::string& path, int timeout_seconds,
                                      const std::function<bool()>& stop) {
    if (!std::filesystem::exists(path)) throw Error("Cannot start " + path + ": File not found");
    // The program's error output says why it failed (the package runner's
    // refusal), and that goes into the error.
    const int errors = ErrorOutputFile();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (errors >= 0) posix_spawn_file_actions_adddup2(&actions, errors, 2);
    pid_t pid = 0;
    try {
        pid = SpawnCommand(path, CommandFor(path), &actions);
    } catch (...) {
        posix_spawn_file_actions_destroy(&actions);
        if (errors >= 0) ::close(errors);
        throw;
    }
    posix_spawn_file_actions_destroy(&actions);
    try {
        WaitForSuccess(pid, path, timeout_seconds, {}, stop);
    } catch (const Stopped&) {
        if (errors >= 0) ::close(errors);
        throw;
    } catch (const Error& failure) {
        const std::string why = LastErrorLine(errors);
        throw Error(std::string(failure.what()) + (why.empty() ? std::string() : " (" + why + ")"));
    }
    if (errors >= 0) ::close(errors);
}

std::string ProcessStarter::RunForAnswer(const std::string& path, const std::string& argument, int timeout_seconds) {
    if (!std::filesystem::exists(path)) throw Error("Cannot start " + path + ": File not found");
    // Executed directly, never through the package runner: the question is
    // whether this very file runs here.
    std::vector<std::string> command = CommandFor(path);
    if (command.size() != 1) throw Error("Cannot start " + path + ": it is a package, not a program");
    command.push_back(argument);
    int pipe_fds[2];
    if (::pipe2(pipe_fds, O_CLOEXEC | O_NONBLOCK) != 0) throw Error("Cannot start " + path + ": " + std::strerror(errno));
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipe_fds[1], 1);
    std::string answer;
    const auto drain = [&] {
        char buffer[512];
        ssize_t n;
        while ((n = ::read(pipe_fds[0], buffer, sizeof buffer)) > 0)
            if (answer.size() < 4096) answer.append(buffer, size_t(n));
    };
    try {
        const pid_t pid = SpawnCommand(path, command, &actions);
        ::close(pipe_fds[1]);
        pipe_fds[1] = -1;
        WaitForSuccess(pid, path, timeout_seconds, drain);
        drain();
    } catch (...) {
        posix_spawn_file_actions_destroy(&actions);
        if (pipe_fds[1] >= 0) ::close(pipe_fds[1]);
        ::close(pipe_fds[0]);
        throw;
    }
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipe_fds[0]);
    return answer;
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
