#pragma once
// A staged installation of realistic size for the end-to-end benchmarks:
// 1,000,000 history entries over 300 categories (the three licence kinds
// share them), a day list of 9,998 entries with numbered pictures, seven day
// lists of 1,000 entries and 32,767 categories in Categ.txt. Written
// directly, record by record, and kept in the build folder between runs
// (a stamp file says it is complete).

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "../tests/support/real_screen.h"
#include "bench_support.h"

namespace bench {

namespace fs = std::filesystem;

inline constexpr int kHistoryEntries = 1000000;
inline constexpr int kHistoryCategories = 300;
inline constexpr int kCategoryCount = 32767;
inline constexpr int kTodayEntries = 9998;
inline constexpr int kWeekDayEntries = 1000;

// One 14-field record; every hundredth name holds the word "quokka" in
// varying case, so searches find 1%.
inline std::string BigEntry(int id, int category) {
    const std::string number = std::to_string(id);
    const std::string name = id % 100 == 0 ? (id % 200 == 0 ? "Quokka Editor " : "super qUOKKA ") + number
                                           : "Program " + number;
    static const std::string description(440, 'd');
    return name + "\r\nhttp://www.example.org/download/p" + number + ".zip\r\n1.0\r\n1234\r\nReleased today\r\n"
           "http://www.example.org/info/p" + number + ".html\r\nSample\r\n" + description + "\r\n3\r\n" +
           std::to_string(category) + "\r\n" + number + "\r\n\r\nxxxxxx--\r\nA short note\r\n";
}

// A list of `count` entries with ids from `first` up, categories in turn.
inline void WriteBigList(const fs::path& path, int first, int count) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << "14\r\n";
    for (int i = 0; i < count; ++i) out << BigEntry(first + i, 1 + (first + i) % kHistoryCategories);
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

// The staged programs, taken afresh at every call: the data are kept, the
// program measured is always the one just built.
inline fs::path BigInstallation() {
    const fs::path root = fs::path(VELTOD_BENCH_DATA) / "installation";
    const fs::path stamp = fs::path(VELTOD_BENCH_DATA) / "installation.done";
    if (fs::exists(stamp)) {
        fs::copy(fs::path(VELTOD_BENCH_STAGE) / "bin", root / "bin",
                 fs::copy_options::recursive | fs::copy_options::overwrite_existing);
        return root;
    }
    fs::remove_all(root);
    fs::create_directories(root);
    fs::copy(VELTOD_BENCH_STAGE, root, fs::copy_options::recursive);
    const fs::path resources = root / "Resources";
    // The demo's history lists give way to the generated ones.
    for (const auto& item : fs::directory_iterator(resources)) {
        const std::string name = item.path().filename().string();
        const std::string ext = item.path().extension().string();
        if (name[0] >= '1' && name[0] <= '9' && (ext == ".1cat" || ext == ".2cat" || ext == ".3cat"))
            fs::remove(item.path());
    }
    {
        // Codes 1 to 100 are top categories, the rest sit below them.
        std::ofstream out(resources / "Categ.txt", std::ios::binary | std::ios::trunc);
        out << "4\r\n";
        for (int code = 1; code <= kCategoryCount; ++code)
            out << code << "\r\n" << (code <= 100 ? 0 : 1 + (code - 1) % 100) << "\r\n" << (code <= 100 ? 0 : 1)
                << "\r\nCategory " << code << "\r\n";
    }
    // History: each category's list holds ids ascending, spread over the kinds.
    std::ofstream lists[3][kHistoryCategories];
    for (int kind = 0; kind < 3; ++kind)
        for (int code = 1; code <= kHistoryCategories; ++code) {
            auto& out = lists[kind][code - 1];
            out.open(resources / (std::to_string(code) + "." + std::to_string(kind + 1) + "cat"),
                     std::ios::binary | std::ios::trunc);
            out << "14\r\n";
        }
    for (int id = 1; id <= kHistoryEntries; ++id) {
        const int code = 1 + id % kHistoryCategories;
        lists[(id / kHistoryCategories) % 3][code - 1] << BigEntry(id, code);
    }
    for (auto& kind : lists)
        for (auto& out : kind) {
            out.close();
            if (!out) throw std::runtime_error("cannot write the history lists");
        }
    // Today's list and the week's seven days, newer than the history.
    WriteBigList(resources / "today.1cat", kHistoryEntries + 100000, kTodayEntries);
    for (int n = 1; n <= 6; ++n)
        WriteBigList(resources / ("today.1" + std::to_string(n)), kHistoryEntries + n * kWeekDayEntries,
                     kWeekDayEntries);
    fs::copy_file(resources / "today.1cat", resources / "today.17", fs::copy_options::overwrite_existing);
    // Numbered row pictures for the first 999 rows, as a day list's package brings them.
    for (const char* look : {"arr", "und"})
        for (int n = 1; n <= 999; ++n) {
            char name[32];
            std::snprintf(name, sizeof name, "day%s%03d1.gif", look, n);
            if (!fs::exists(resources / name))
                fs::copy_file(resources / (std::string("day") + look + "0011.gif"), resources / name);
        }
    std::ofstream(stamp) << "complete\n";
    return root;
}

// A fresh copy of the big installation to change.
inline fs::path CopyBigInstallation(const fs::path& where) {
    fs::remove_all(where);
    const std::string command = "cp -a --reflink=auto '" + BigInstallation().string() + "' '" + where.string() + "'";
    if (std::system(command.c_str()) != 0) throw std::runtime_error("cannot copy the installation");
    return where;
}

// The X display to run on: $DISPLAY, or an Xvfb started for the run.
class Display {
public:
    Display() {
        if (const char* set = std::getenv("DISPLAY"); set && *set) {
            name_ = set;
        } else {
            screen_ = std::make_unique<veltod::test::VirtualScreen>();
            name_ = screen_->Display();
        }
        if (name_.empty()) throw std::runtime_error("no X display and Xvfb did not start");
    }
    const std::string& Name() const { return name_; }

private:
    std::unique_ptr<veltod::test::VirtualScreen> screen_;
    std::string name_;
};

// A program of a benchmark: the tests' child process (ended and reaped when
// the object goes), which must start, and whose peak memory is read.
class Program : public veltod::test::Child {
public:
    Program(const std::vector<std::string>& argv, const std::vector<std::string>& extra_env) : Child(argv, extra_env) {
        if (!Started()) throw std::runtime_error("cannot start " + argv[0]);
    }
    // The program's peak resident memory so far, in MiB.
    double PeakMiB() const {
        std::ifstream in("/proc/" + std::to_string(Pid()) + "/status");
        for (std::string line; std::getline(in, line);)
            if (line.rfind("VmHWM:", 0) == 0) return std::stod(line.substr(6)) / 1024.0;
        return 0;
    }
};

// Width and height of a GIF picture, from its header.
inline std::pair<int, int> GifSize(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    unsigned char head[10] = {};
    in.read(reinterpret_cast<char*>(head), sizeof head);
    return {head[6] | head[7] << 8, head[8] | head[9] << 8};
}

// Lines in the paint mark file so far.
inline int MarkCount(const fs::path& mark) {
    std::ifstream in(mark);
    int lines = 0;
    for (std::string line; std::getline(in, line);) ++lines;
    return lines;
}

// The last line of the paint mark file.
inline std::string LastMark(const fs::path& mark) {
    std::ifstream in(mark);
    std::string last;
    for (std::string line; std::getline(in, line);) last = line;
    return last;
}

// Polls (every millisecond, at most `seconds`) until the mark file holds
// `count` lines; false when it never does.
inline bool WaitForMark(const fs::path& mark, int count, double seconds = 120) {
    const double end = Seconds() + seconds;
    while (Seconds() < end) {
        if (MarkCount(mark) >= count) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
}

// The environment that starts a program on display with its paint mark.
inline std::vector<std::string> MarkedEnvironment(const std::string& display, const fs::path& mark) {
    return {"DISPLAY=" + display, "QT_QPA_PLATFORM=xcb", "VELTOD_PAINT_MARK=" + mark.string()};
}

// A font configuration with only the fonts the package depends on (the
// desktop's rules, its own cache), for starts that leave out the cost of a
// desktop's whole font collection; its path.
inline fs::path PackageFontsConfiguration() {
    const fs::path file = fs::path(VELTOD_BENCH_DATA) / "package-fonts.conf";
    std::ofstream(file) << "<?xml version=\"1.0\"?>\n<!DOCTYPE fontconfig SYSTEM \"urn:fontconfig:fonts.dtd\">\n"
                           "<fontconfig>\n  <dir>/usr/share/fonts/truetype/liberation</dir>\n  <cachedir>"
                        << (fs::path(VELTOD_BENCH_DATA) / "package-fonts-cache").string()
                        << "</cachedir>\n  <include ignore_missing=\"yes\">/etc/fonts/conf.d</include>\n</fontconfig>\n";
    return file;
}

// What the start-up lines run: the staged program on the big installation,
// and the reference showing the main window's background picture, both on
// one display with one paint mark file.
struct StartPrograms {
    fs::path root = BigInstallation();
    Display display;
    fs::path mark = fs::path(VELTOD_BENCH_DATA) / "start.mark";
    std::vector<std::string> ours = {(root / "bin/VeltoD.exe").string()};
    std::vector<std::string> ref = {VELTOD_BENCH_FIRST_PAGE_REF, (root / "Resources/fondobin.gif").string()};
};

// One start until the first paint mark: its time and the program's peak.
struct Start {
    double seconds;
    double peak_mb;
};

inline Start TimeStart(const std::vector<std::string>& argv, const std::string& display, const fs::path& mark,
                       const std::vector<std::string>& extra_env = {}) {
    fs::remove(mark);
    std::vector<std::string> environment = MarkedEnvironment(display, mark);
    environment.insert(environment.end(), extra_env.begin(), extra_env.end());
    const double start = Seconds();
    Program program(argv, environment);
    if (!WaitForMark(mark, 1)) throw std::runtime_error("no paint mark from " + argv[0]);
    const double took = Seconds() - start;
    return {took, program.PeakMiB()};
}

// The main window of the program started on the installation at root, once
// it has painted its day news (the first mark); throws when either never
// comes.
inline veltod::test::Geometry PaintedMainWindow(const std::string& display, const fs::path& root,
                                                const fs::path& mark) {
    if (!WaitForMark(mark, 1)) throw std::runtime_error("the program showed no day news");
    const veltod::test::Geometry main_window =
        veltod::test::WaitForMainWindow(display, GifSize(root / "Resources/fondobin.gif").first);
    if (main_window.width == 0) throw std::runtime_error("no main window");
    return main_window;
}

// Keys typed on the display, through xdotool; throws when it fails.
inline void Xdotool(const std::string& display, const std::string& arguments) {
    if (std::system(("DISPLAY=" + display + " xdotool " + arguments + " >/dev/null 2>&1").c_str()) != 0)
        throw std::runtime_error("xdotool " + arguments + " failed");
}

// Clicks the main window's button drawn by picture at (left, top).
inline void ClickButton(const std::string& display, const veltod::test::Geometry& main_window, const fs::path& root,
                        const std::string& picture, int left, int top) {
    const auto [width, height] = GifSize(root / "Resources" / picture);
    veltod::test::ClickPicture(display, main_window, left, top, width, height);
}

}  // namespace bench
