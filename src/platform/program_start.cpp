#include "platform/program_start.h"

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

// errors_fd, when not -1, takes the program's error output.
pid_t Spawn(const std::string& path, int errors_fd = -1) {
    if (!std::filesystem::exists(path)) throw Error("Cannot start " + path + ": File not found");
    std::vector<std::string> command = CommandFor(path);
    std::vector<char*> argv;
    for (auto& argument : command) argv.push_back(argument.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    if (errors_fd >= 0) ::posix_spawn_file_actions_adddup2(&actions, errors_fd, 2);
    const int status = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    ::posix_spawn_file_actions_destroy(&actions);
    if (status != 0) throw Error("Cannot start " + path + ": " + std::strerror(status));
    return pid;
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

// The last line the program wrote there, to say why it failed.
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

void ProcessStarter::RunAndWait(const std::string& path, int timeout_seconds) {
    const int errors = ErrorOutputFile();
    pid_t pid = 0;
    try {
        pid = Spawn(path, errors);
    } catch (...) {
        if (errors >= 0) ::close(errors);
        throw;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeout_seconds);
    int status = 0;
    for (;;) {
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid) break;
        if (done < 0 && errno != EINTR) {
            const int error_number = errno;
            if (errors >= 0) ::close(errors);
            throw Error("Lost track of " + path + ": " + std::strerror(error_number));
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            ::kill(pid, SIGKILL);
            while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
            if (errors >= 0) ::close(errors);
            throw Error(path + " did not finish within " + std::to_string(timeout_seconds) + " seconds");
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    const std::string why = LastErrorLine(errors);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return;
    if (WIFEXITED(status))
        throw Error(path + " failed with exit status " + std::to_string(WEXITSTATUS(status)) +
                    (why.empty() ? std::string() : " (" + why + ")"));
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
