// Program start until the day news page is painted, as start_first_page times
// it, but cold: before every start the page cache of the whole installation
// (the program, its lists, its pictures) is dropped, and the reference
// program, the same minimal Qt program, is started the same way with its own
// file and its picture dropped too. The system's shared libraries stay
// cached for both: they are not the installation's. The cache is dropped
// file by file (posix_fadvise DONTNEED after a flush of the file) rather
// than with /proc/sys/vm/drop_caches, which would empty the cache of every
// other program on the machine as well. The best of three starts each.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

#include "big_installation.h"

namespace {

// Flushes the file and drops its pages; false when it cannot be opened.
bool DropFromCache(const bench::fs::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    // Pages still to be written are not dropped: the copy of the programs
    // made for this run leaves some.
    ::fdatasync(fd);
    const bool dropped = ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED) == 0;
    ::close(fd);
    return dropped;
}

void DropTreeFromCache(const bench::fs::path& root) {
    for (const auto& item : bench::fs::recursive_directory_iterator(root))
        if (item.is_regular_file() && !DropFromCache(item.path()))
            throw std::runtime_error("cannot drop " + item.path().string() + " from the cache");
}

}  // namespace

int main() {
    try {
        const bench::StartPrograms start;
        double ours = 1e30, ref = 1e30, peak = 0;
        for (int run = 0; run < 3; ++run) {
            DropTreeFromCache(start.root);
            const bench::Start our_start = bench::TimeStart(start.ours, start.display.Name(), start.mark);
            ours = std::min(ours, our_start.seconds);
            peak = std::max(peak, our_start.peak_mb);
            DropTreeFromCache(start.root);
            if (!DropFromCache(VELTOD_BENCH_FIRST_PAGE_REF)) throw std::runtime_error("cannot drop the reference");
            ref = std::min(ref, bench::TimeStart(start.ref, start.display.Name(), start.mark).seconds);
        }
        bench::Report("start_cold", ours, ref, 1.5, peak);
        std::printf("# the installation's files dropped from the page cache before each start (%d history entries)\n",
                    bench::kHistoryEntries);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bench_start_cold: %s\n", error.what());
        return 1;
    }
    return 0;
}
