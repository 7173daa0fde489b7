// The staged program on a real X server (Xvfb, 1024x768, no window manager):
// where its main window and, after Today, its message window stand. Runs a
// copy of the staged installation, so the staged data are never touched.
#include <gtest/gtest.h>
#include <signal.h>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QImage>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "support/temp_dir.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

// A child process that is stopped and reaped when the object goes.
class Child {
public:
    // display_fd: when not -1, this descriptor becomes the child's fd 3.
    Child(const std::vector<std::string>& argv, const std::vector<std::string>& extra_env, int display_fd = -1) {
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
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        if (display_fd != -1) posix_spawn_file_actions_adddup2(&actions, display_fd, 3);
        if (posix_spawnp(&pid_, args[0], &actions, nullptr, args.data(), envp.data()) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
    }
    ~Child() {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGTERM);
        for (int i = 0; i < 50; ++i) {
            if (::waitpid(pid_, nullptr, WNOHANG) == pid_) return;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
    bool Started() const { return pid_ > 0; }

private:
    pid_t pid_ = -1;
};

std::string Shell(const std::string& command) {
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
std::vector<std::pair<std::string, Geometry>> ProgramWindows(const std::string& display) {
    std::vector<std::pair<std::string, Geometry>> windows;
    const std::string tree = Shell("DISPLAY=" + display + " xwininfo -root -children 2>/dev/null");
    static const std::regex line(R"re(0x[0-9a-f]+ "([^"]*)": \("VeltoD\.exe"[^)]*\)\s+(\d+)x(\d+)\+(-?\d+)\+(-?\d+))re");
    for (std::sregex_iterator it(tree.begin(), tree.end(), line), end; it != end; ++it)
        windows.push_back({(*it)[1], {std::stoi((*it)[2]), std::stoi((*it)[3]), std::stoi((*it)[4]), std::stoi((*it)[5])}});
    return windows;
}

bool Mapped(const std::string& display, const Geometry& g) {
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

TEST(RealScreen, MainWindowAtTheTopRightAndMessageWindowLeftOfIt) {
    for (const char* tool : {"Xvfb", "xwininfo", "xdotool"})
        ASSERT_FALSE(Shell(std::string("command -v ") + tool).empty()) << tool << " is missing (scripts/install-deps.sh)";
    const char* stage = std::getenv("VELTOD_STAGE");
    ASSERT_NE(stage, nullptr);
    veltod::test::ScratchInstallation copy;
    fs::copy(stage, copy.Root(), fs::copy_options::recursive | fs::copy_options::overwrite_existing);

    // The server picks a free display itself and writes its number to fd 3,
    // so tests of other builds running at the same time never share one.
    int pipe_fds[2];
    ASSERT_EQ(::pipe(pipe_fds), 0);
    Child server({"Xvfb", "-displayfd", "3", "-screen", "0", "1024x768x24", "-nolisten", "tcp"}, {}, pipe_fds[1]);
    ::close(pipe_fds[1]);
    ASSERT_TRUE(server.Started());
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
    ASSERT_NE(number.find('\n'), std::string::npos) << "Xvfb gave no display number";
    const std::string display = ":" + number.substr(0, number.find('\n'));

    Child program({copy.Path("bin/VeltoD.exe")}, {"DISPLAY=" + display, "QT_QPA_PLATFORM=xcb"});
    ASSERT_TRUE(program.Started());
    Geometry main_window;
    ASSERT_TRUE(WaitFor([&] {
        for (const auto& [title, g] : ProgramWindows(display))
            if (title == "VeltoD") {
                main_window = g;
                return true;
            }
        return false;
    }));
    const QSize background = QImage(QString::fromStdString(copy.Path("Resources/fondobin.gif"))).size();
    ASSERT_TRUE(WaitFor([&] {
        for (const auto& [title, g] : ProgramWindows(display))
            if (title == "VeltoD") main_window = g;
        return main_window.width == background.width();
    })) << "the main window never took its picture's width:\n"
        << Shell("DISPLAY=" + display + " xwininfo -root -children");
    EXPECT_EQ(main_window.left + main_window.width, 1024);
    EXPECT_EQ(main_window.top, 0);
    EXPECT_EQ(main_window.height, background.height());

    // Today: the first navigation button, at (8, 12) in the main window.
    const QSize message = QImage(QString::fromStdString(copy.Path("Resources/mensaje.gif"))).size();
    const Geometry expected{message.width(), message.height(), 1024 - main_window.width - message.width(), 12};
    Shell("DISPLAY=" + display + " xdotool mousemove " + std::to_string(main_window.left + 20) + " " +
        std::to_string(main_window.top + 18) + " click 1");
    EXPECT_TRUE(WaitFor([&] { return Mapped(display, expected); }))
        << "no " << expected.width << "x" << expected.height << "+" << expected.left << "+" << expected.top << " in\n"
        << Shell("DISPLAY=" + display + " xwininfo -root -children");
    EXPECT_EQ(expected.left, 513);  // with the 314-pixel bar and the 197-pixel plate
}

}  // namespace
