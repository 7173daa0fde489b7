#pragma once
// Running the staged program on a real X server (Xvfb, 1024x768 unless told
// otherwise, no window manager): child processes that are stopped and reaped
// at the end, the server's own choice of display, and the program's windows
// as xwininfo lists them.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <regex>
#include <string>
#include <thread>
#include <memory>
#include <utility>
#include <vector>

extern char** environ;

namespace veltod::test {

// A child process that is stopped and reaped when the object goes.
class Child {
public:
    // display_fd: when not -1, this descriptor becomes the child's fd 3;
    // error_file: when not empty, the child's error output goes there;
    // own_group: the child leads a process group of its own, and everything
    // in that group (a compositor's own servers too) is stopped with it.
    Child(const std::vector<std::string>& argv, const std::vector<std::string>& extra_env, int display_fd = -1,
          const std::string& error_file = "", bool own_group = false)
        : group_(own_group) {
        std::vector<std::string> env_text(extra_env);
        for (char** e = environ; *e; ++e) env_text.emplace_back(*e);
        std::vector<char*> args, envp;
        for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        for (const std::string& e : env_text) envp.push_back(const_cast<char*>(e.c_str()));
        envp.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, error_file.empty() ? "/dev/null" : error_file.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (display_fd != -1) posix_spawn_file_actions_adddup2(&actions, display_fd, 3);
        posix_spawnattr_t attributes;
        posix_spawnattr_init(&attributes);
        if (own_group) {
            posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
            posix_spawnattr_setpgroup(&attributes, 0);
        }
        if (posix_spawnp(&pid_, args[0], &actions, &attributes, args.data(), envp.data()) != 0) pid_ = -1;
        posix_spawnattr_destroy(&attributes);
        posix_spawn_file_actions_destroy(&actions);
    }
    ~Child() {
        if (pid_ <= 0) return;
        const pid_t target = group_ ? -pid_ : pid_;
        ::kill(target, SIGTERM);
        bool ended = false;
        for (int i = 0; i < 50 && !ended; ++i) {
            ended = ::waitpid(pid_, nullptr, WNOHANG) == pid_;
            if (!ended) std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        // A group's other members may outlive its leader.
        if (ended && !group_) return;
        ::kill(target, SIGKILL);
        if (!ended) ::waitpid(pid_, nullptr, 0);
    }
    bool Started() const { return pid_ > 0; }
    pid_t Pid() const { return pid_; }
    // The exit status (a signal counts as 128 + its number) once the child
    // has ended, polling at most `seconds`; -1 while it still runs.
    int WaitExit(int seconds) {
        for (int i = 0; pid_ > 0 && i < seconds * 10; ++i) {
            int status = 0;
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return -1;
    }

private:
    bool group_ = false;
    pid_t pid_ = -1;
};

inline std::string Shell(const std::string& command) {
    std::string output;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[4096];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
        ::pclose(pipe);
    }
    return output;
}

struct Geometry {
    int width = 0, height = 0, left = 0, top = 0;
};

// Every mapped top-level window of the program, from xwininfo's tree.
inline std::vector<std::pair<std::string, Geometry>> ProgramWindows(const std::string& display) {
    std::vector<std::pair<std::string, Geometry>> windows;
    const std::string tree = Shell("DISPLAY=" + display + " xwininfo -root -children 2>/dev/null");
    static const std::regex line(R"re(0x[0-9a-f]+ "([^"]*)": \("VeltoD\.exe"[^)]*\)\s+(\d+)x(\d+)\+(-?\d+)\+(-?\d+))re");
    for (std::sregex_iterator it(tree.begin(), tree.end(), line), end; it != end; ++it)
        windows.push_back({(*it)[1], {std::stoi((*it)[2]), std::stoi((*it)[3]), std::stoi((*it)[4]), std::stoi((*it)[5])}});
    return windows;
}

// The program's windows that are mapped now, as xwininfo measures them: on
// the screen, so a window manager's frames around them do not count.
// `search` picks them in xdotool's terms (by default, all of them).
inline std::vector<Geometry> ShownWindows(const std::string& display,
                                          const std::string& search = "--classname '^VeltoD\\.exe$'") {
    const std::string text = Shell("export DISPLAY=" + display + "; for w in $(timeout 10 xdotool search --onlyvisible " +
                                   search + " 2>/dev/null); do timeout 10 xwininfo -id $w 2>/dev/null; done");
    static const std::regex block(R"re(Absolute upper-left X:\s+(-?\d+)\s+Absolute upper-left Y:\s+(-?\d+)[\s\S]*?Width:\s+(\d+)\s+Height:\s+(\d+))re");
    std::vector<Geometry> windows;
    for (std::sregex_iterator it(text.begin(), text.end(), block), end; it != end; ++it)
        windows.push_back({std::stoi((*it)[3]), std::stoi((*it)[4]), std::stoi((*it)[1]), std::stoi((*it)[2])});
    return windows;
}

inline bool Mapped(const std::string& display, const Geometry& g) {
    const std::string tree = Shell("DISPLAY=" + display + " xwininfo -root -children 2>/dev/null");
    const std::string wanted = std::to_string(g.width) + "x" + std::to_string(g.height) + "+" + std::to_string(g.left) +
                               "+" + std::to_string(g.top);
    return tree.find(wanted) != std::string::npos;
}

template <typename Test>
bool WaitFor(Test test) {
    for (int i = 0; i < 300; ++i) {
        if (test()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

// The main window ("VeltoD") once it has taken its picture's width; a
// zero-width geometry when it never did.
inline Geometry WaitForMainWindow(const std::string& display, int width) {
    Geometry main_window;
    WaitFor([&] {
        for (const auto& [title, g] : ProgramWindows(display))
            if (title == "VeltoD") main_window = g;
        return main_window.width == width;
    });
    return main_window.width == width ? main_window : Geometry{};
}

// Clicks the middle of a picture placed at (left, top) in a window.
inline void ClickPicture(const std::string& display, const Geometry& window, int left, int top, int width,
                         int height) {
    Shell("DISPLAY=" + display + " xdotool mousemove " + std::to_string(window.left + left + width / 2) + " " +
          std::to_string(window.top + top + height / 2) + " click 1");
}

// An Xvfb server on a display it picks itself (written to fd 3), so tests of
// other builds running at the same time never share one.
class VirtualScreen {
public:
// GCC 12 at -O3 reports a false -Wrestrict in std::string code inlined here (GCC bug 105329).
#pragma GCC diagnostic push
#ifndef __clang__  // clang has no such warning
#pragma GCC diagnostic ignored "-Wrestrict"
#endif
    // size: Xvfb's screen, "WIDTHxHEIGHTxDEPTH".
    explicit VirtualScreen(const std::string& size = "1024x768x24") {
        int pipe_fds[2];
        if (::pipe(pipe_fds) != 0) return;
        server_ = std::make_unique<Child>(
            std::vector<std::string>{"Xvfb", "-displayfd", "3", "-screen", "0", size, "-nolisten", "tcp",
                                     // Root properties a test sets (the work area) outlive its setter.
                                     "-noreset"},
            std::vector<std::string>{}, pipe_fds[1]);
        ::close(pipe_fds[1]);
        std::string number;
        pollfd waiting{pipe_fds[0], POLLIN, 0};
        for (int round = 0; round < 300 && number.find('\n') == std::string::npos; ++round) {
            if (::poll(&waiting, 1, 100) <= 0) continue;
            char buffer[32];
            const ssize_t n = ::read(pipe_fds[0], buffer, sizeof buffer);
            if (n <= 0) break;
            number.append(buffer, size_t(n));
        }
        ::close(pipe_fds[0]);
        if (server_->Started() && number.find('\n') != std::string::npos)
            display_ = ":" + number.substr(0, number.find('\n'));
    }
#pragma GCC diagnostic pop
    // Empty when the server did not start.
    const std::string& Display() const { return display_; }

private:
    std::unique_ptr<Child> server_;
    std::string display_;
};

}  // namespace veltod::test
