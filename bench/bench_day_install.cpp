// Installs a day list of 1,000 entries spread over 300 categories into
// category history lists holding 1,000,000 entries in all, beside the time
// `cat` takes to read all those history lists once, in the same run. The
// first line times the whole installation, whose rotation rewrites a week
// list of seven such days (about 5 MB, flushed to the disk); the second times
// the filing into the history lists alone. The third and fourth lines time a
// durable installation, the whole installation followed by the one flush of
// the file system that the update run makes before it records the day (the
// installation itself leaves its week list and its filing unflushed). The
// third sets it against the disk's own floor: writing as many bytes as the
// installation wrote into one file and syncing it once. The fourth sets it
// against the format's floor, the least any program must write to make the
// same day durable in these files: the same records appended to the same 300
// history lists and the same day files written, with plain write calls, then
// one flush of the file system. Every timed installation, and every floor,
// starts with nothing of the runs before it left to flush.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "bench_support.h"
#include "core/apply/day_install.h"
#include "core/platform/file_io.h"
#include "core/records/record_file.h"

namespace {

constexpr int kCategories = 300;
constexpr int kHistoryEntries = 1000000;
constexpr int kDayEntries = 1000;
// Installations timed, the whole and the history half taking turns.
constexpr int kRuns = 10;
// Installations made first, untimed, so that every timed one rebuilds a week
// list of seven full days.
constexpr int kWarmRuns = 7;

std::string Entry(int category, int id, const std::string& description) {
    const std::string number = std::to_string(id);
    return "Program " + number + "\r\nhttp://www.example.org/download/p" + number + ".zip\r\n1.0\r\n1234\r\nReleased\r\n"
           "http://www.example.org/info/p" + number + ".html\r\nSample\r\n" + description + "\r\n3\r\n" +
           std::to_string(category) + "\r\n" + number + "\r\n\r\nxxxxxx--\r\nA short note about the program\r\n";
}

// Bytes this process has handed to write calls so far (all its threads).
double WrittenBytes() {
    std::FILE* io = std::fopen("/proc/self/io", "r");
    double bytes = 0;
    char line[128];
    while (io && std::fgets(line, sizeof line, io))
        if (std::sscanf(line, "wchar: %lf", &bytes) == 1) break;
    if (io) std::fclose(io);
    return bytes;
}

// The physical minimum of a durable installation: `bytes` written into a new
// file in one call and synced once.
double TimeFloor(const std::string& path, size_t bytes) {
    const std::string data(bytes, 'x');
    const double start = bench::Seconds();
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const bool written = fd >= 0 && ::write(fd, data.data(), data.size()) == static_cast<ssize_t>(data.size()) &&
                         ::fsync(fd) == 0;
    const double took = bench::Seconds() - start;
    if (fd >= 0) ::close(fd);
    ::unlink(path.c_str());
    if (!written) {
        std::fprintf(stderr, "the floor's file could not be written\n");
        std::exit(1);
    }
    return took;
}

// Writes bytes as a new file at path with plain write calls.
bool WriteNewFile(const std::string& path, const std::string& bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const bool written = fd >= 0 && ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    return fd >= 0 && ::close(fd) == 0 && written;
}

// What the format asks of a day made durable, written here without the
// program: each history list's new records in one append, the day as today's
// list and as day file 7, the week list of the seven days, and one flush of
// the file system. The day files go to new files beside the program's (the
// program, too, writes its week list as a new file and links the day). The
// appends are cut off again and the new files removed afterwards, untimed,
// so the installation that follows finds the lists as they were.
class FormatFloor {
public:
    // The day as the day list holds it, the records each history list takes
    // in the order filed, and the week list the day makes.
    FormatFloor(const std::string& resources, std::string day, std::map<int, std::string> appends,
                std::string week)
        : resources_(resources), day_(std::move(day)), appends_(std::move(appends)), week_(std::move(week)) {}

    double Time() {
        std::vector<std::pair<std::string, off_t>> sizes;
        for (const auto& [category, records] : appends_) {
            const std::string path = resources_ + std::to_string(category) + ".1cat";
            sizes.emplace_back(path, static_cast<off_t>(std::filesystem::file_size(path)));
        }
        // The day list just received is flushed first: the installation
        // timed after the floor finds it flushed too.
        veltod::SyncFileSystem(resources_);
        const double start = bench::Seconds();
        bool written = true;
        for (const auto& [category, records] : appends_) {
            const int fd = ::open((resources_ + std::to_string(category) + ".1cat").c_str(),
                                  O_WRONLY | O_APPEND | O_CLOEXEC);
            written = written && fd >= 0 &&
                      ::write(fd, records.data(), records.size()) == static_cast<ssize_t>(records.size());
            written = fd >= 0 && ::close(fd) == 0 && written;
        }
        written = written && WriteNewFile(resources_ + "floor-today.1cat", day_) &&
                  WriteNewFile(resources_ + "floor-today.17", day_) &&
                  WriteNewFile(resources_ + "floor-week.1txt", week_);
        veltod::SyncFileSystem(resources_);
        const double took = bench::Seconds() - start;
        for (const auto& [path, size] : sizes) written = ::truncate(path.c_str(), size) == 0 && written;
        for (const char* name : {"floor-today.1cat", "floor-today.17", "floor-week.1txt"})
            ::unlink((resources_ + name).c_str());
        veltod::SyncFileSystem(resources_);
        if (!written) {
            std::fprintf(stderr, "the format's floor could not be written\n");
            std::exit(1);
        }
        return took;
    }

private:
    std::string resources_;
    std::string day_;
    std::map<int, std::string> appends_;
    std::string week_;
};

// The format's floor for installing a day whose entries all file, as every
// day of this benchmark's does: appends holds each history list's records in
// the order filed, and the week list drops day file 1 of the rotation.
FormatFloor DayFormatFloor(const std::string& resources, const std::string& day, std::map<int, std::string> appends) {
    std::string week = "14\r\n";
    for (int n = 2; n <= 7; ++n) {
        const std::string days = veltod::ReadWholeFile(resources + "today.1" + std::to_string(n));
        week += days.substr(days.find('\n') + 1);
    }
    week += day.substr(day.find('\n') + 1);
    return FormatFloor(resources, day, std::move(appends), std::move(week));
}

}  // namespace

int main(int argc, char**) {
    namespace fs = std::filesystem;
    const fs::path root = fs::temp_directory_path() / ("veltod-bench-install-" + std::to_string(::getpid()));
    fs::create_directories(root / "bin");
    fs::create_directories(root / "Resources");
    const std::string resources = (root / "Resources").string() + "/";
    const std::string description(520, 'd');

    // History lists: ids per category grow with the entry number.
    double history_bytes = 0;
    for (int category = 1; category <= kCategories; ++category) {
        std::FILE* out = std::fopen((resources + std::to_string(category) + ".1cat").c_str(), "wb");
        if (!out) return 1;
        std::fputs("14\r\n", out);
        for (int id = category; id <= kHistoryEntries; id += kCategories) {
            const std::string record = Entry(category, id, description);
            std::fwrite(record.data(), 1, record.size(), out);
            history_bytes += record.size();
        }
        std::fclose(out);
    }
    veltod::WriteRecordFile(resources + "0.1cat", 14, {});
    for (int n = 1; n <= 7; ++n) veltod::WriteRecordFile(resources + "today.1" + std::to_string(n), 14, {});
    // The lists just made are flushed first, so that the installation's own
    // flushes do not wait behind them.
    ::sync();

    const double ref = bench::TimeCommand("cat " + resources + "[1-9]*.1cat", 3);

    const fs::path saved = fs::current_path();
    fs::current_path(root / "bin");
    double ours = 1e30;
    double durable = 1e30;
    double merge = 1e30;
    double floor = 1e30;
    double format_floor = 1e30;
    double install_bytes = 0;
    for (int run = -kWarmRuns; run < kRuns; ++run) {
        // Ids fall towards the end of the file, as the publisher writes day
        // lists, so that every entry is filed; each run brings newer ids.
        const int top = kHistoryEntries + (kWarmRuns + run + 1) * kDayEntries;
        std::string day = "14\r\n";
        for (int i = 0; i < kDayEntries; ++i) day += Entry(1 + i % kCategories, top - i, description);
        // Filed from the day list's last record up: lowest ids first.
        std::map<int, std::string> appends;
        for (int i = kDayEntries - 1; i >= 0; --i)
            appends[1 + i % kCategories] += Entry(1 + i % kCategories, top - i, description);
        const std::string source = "../bin/" + std::to_string(20261201 + kWarmRuns + run) + ".1cat";
        std::FILE* out = std::fopen(source.c_str(), "wb");
        std::fwrite(day.data(), 1, day.size(), out);
        std::fclose(out);
        // Even runs time the whole installation, odd runs its history half.
        if (run < 0) {
            veltod::InstallDayList("1", source);
        } else if (run % 2 == 0) {
            format_floor = std::min(format_floor, DayFormatFloor(resources, day, std::move(appends)).Time());
            const double written = WrittenBytes();
            const double start = bench::Seconds();
            veltod::InstallDayList("1", source);
            const double installed = bench::Seconds();
            veltod::SyncFileSystem("../Resources");
            ours = std::min(ours, installed - start);
            durable = std::min(durable, bench::Seconds() - start);
            install_bytes = WrittenBytes() - written;
            floor = std::min(floor, TimeFloor("../Resources/floor.bin", static_cast<size_t>(install_bytes)));
        } else {
            veltod::CopyFile(source, "../Resources/today.1cat");
            veltod::RotateDayFiles("1", std::to_string(20261201 + kWarmRuns + run));
            const double start = bench::Seconds();
            veltod::MergeDayIntoHistory("1");
            merge = std::min(merge, bench::Seconds() - start);
        }
        // Untimed: what this run left unflushed must not weigh on the next.
        veltod::SyncFileSystem("../Resources");
    }
    // Each run filed all its entries: category 1 received 4 per run.
    veltod::RecordTable first;
    veltod::ReadRecordFile("../Resources/1.1cat", first);
    const bool filed = first.RowCount() == static_cast<size_t>(kHistoryEntries / kCategories + 1 + (kWarmRuns + kRuns) * 4) &&
                       first.FieldString(0, 10) == std::to_string(kHistoryEntries + (kWarmRuns + kRuns) * kDayEntries);
    fs::current_path(saved);
    if (argc > 1)
        std::printf("# kept %s\n", root.c_str());
    else
        fs::remove_all(root);
    bench::Report("day_install", ours, ref, 0.05, bench::PeakMiB());
    bench::Report("day_install_history", merge, ref, 0.05, bench::PeakMiB());
    bench::Report("day_install_floor", durable, floor, 1.5, bench::PeakMiB());
    bench::Report("day_install_format_floor", durable, format_floor, 1.5, bench::PeakMiB());
    std::printf("# history %.0f MiB in %d lists; day list %d entries; an installation writes %.1f MiB\n",
                history_bytes / 1048576.0, kCategories, kDayEntries, install_bytes / 1048576.0);
    if (!filed) {
        std::fprintf(stderr, "the day's entries were not filed\n");
        return 1;
    }
    return 0;
}
