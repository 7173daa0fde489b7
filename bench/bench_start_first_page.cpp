// Program start until the day news page is painted, on the big installation
// under X (Xvfb when no display is set), beside a minimal Qt program that
// opens one borderless window with the main window's background picture.
// Both write a line to a mark file after that paint; the best of three
// starts each, after one untimed start of each to warm the caches.
#include <algorithm>
#include <cstdio>

#include "big_installation.h"

namespace {

struct Start {
    double seconds;
    double peak_mb;
};

Start TimeStart(const std::vector<std::string>& argv, const std::string& display, const bench::fs::path& mark) {
    bench::fs::remove(mark);
    const double start = bench::Seconds();
    bench::Program program(argv, bench::MarkedEnvironment(display, mark));
    if (!bench::WaitForMark(mark, 1)) throw std::runtime_error("no paint mark from " + argv[0]);
    const double took = bench::Seconds() - start;
    return {took, program.PeakMiB()};
}

}  // namespace

int main() {
    try {
        const bench::fs::path root = bench::BigInstallation();
        const bench::Display display;
        const bench::fs::path mark = bench::fs::path(VELTOD_BENCH_DATA) / "start.mark";
        const std::vector<std::string> ours_argv = {(root / "bin/VeltoD.exe").string()};
        const std::vector<std::string> ref_argv = {VELTOD_BENCH_FIRST_PAGE_REF,
                                                   (root / "Resources/fondobin.gif").string()};
        TimeStart(ours_argv, display.Name(), mark);
        TimeStart(ref_argv, display.Name(), mark);
        double ours = 1e30, ref = 1e30, peak = 0;
        for (int run = 0; run < 3; ++run) {
            const Start our_start = TimeStart(ours_argv, display.Name(), mark);
            ours = std::min(ours, our_start.seconds);
            peak = std::max(peak, our_start.peak_mb);
            ref = std::min(ref, TimeStart(ref_argv, display.Name(), mark).seconds);
        }
        bench::Report("start_first_page", ours, ref, 1.5, peak);
        std::printf("# %d history entries, %d-entry day list, %d categories; peak is the program's\n",
                    bench::kHistoryEntries, bench::kTodayEntries, bench::kCategoryCount);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bench_start_first_page: %s\n", error.what());
        return 1;
    }
    return 0;
}
