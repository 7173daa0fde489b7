// Installs a day list of 1,000 entries spread over 300 categories into
// category history lists holding 1,000,000 entries in all, beside the time
// `cat` takes to read all those history lists once, in the same run. The
// first line times the whole installation, whose rotation rewrites a week
// list of seven such days (about 5 MB, flushed to the disk); the second times
// the filing into the history lists alone. The third line times a durable
// installation, the whole installation followed by the one flush of the file
// system that the update run makes before it records the day (the
// installation itself leaves its week list and its filing unflushed), against
// the disk's own floor: writing as many bytes as the installation wrote into
// one file and syncing it once, in the same run. Every timed installation
// starts with nothing of the runs before it left to flush.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
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
    double install_bytes = 0;
    for (int run = -kWarmRuns; run < kRuns; ++run) {
        // Ids fall towards the end of the file, as the publisher writes day
        // lists, so that every entry is filed; each run brings newer ids.
        const int top = kHistoryEntries + (kWarmRuns + run + 1) * kDayEntries;
        std::string day = "14\r\n";
        for (int i = 0; i < kDayEntries; ++i) day += Entry(1 + i % kCategories, top - i, description);
        const std::string source = "../bin/" + std::to_string(20261201 + kWarmRuns + run) + ".1cat";
        std::FILE* out = std::fopen(source.c_str(), "wb");
        std::fwrite(day.data(), 1, day.size(), out);
        std::fclose(out);
        // Even runs time the whole installation, odd runs its history half.
        if (run < 0) {
            veltod::InstallDayList("1", source);
        } else if (run % 2 == 0) {
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
    std::printf("# history %.0f MiB in %d lists; day list %d entries; an installation writes %.1f MiB\n",
                history_bytes / 1048576.0, kCategories, kDayEntries, install_bytes / 1048576.0);
    if (!filed) {
        std::fprintf(stderr, "the day's entries were not filed\n");
        return 1;
    }
    return 0;
}
