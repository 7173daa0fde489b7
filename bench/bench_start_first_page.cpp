// Program start until the day news page is painted, on the big installation
// under X (Xvfb when no display is set), beside a minimal Qt program that
// opens one borderless window with the main window's background picture.
// Both write a line to a mark file after that paint; the best of three
// starts each, after one untimed start of each to warm the caches.
#include <algorithm>
#include <cstdio>

#include "big_installation.h"

int main() {
    try {
        const bench::StartPrograms start;
        bench::TimeStart(start.ours, start.display.Name(), start.mark);
        bench::TimeStart(start.ref, start.display.Name(), start.mark);
        double ours = 1e30, ref = 1e30, peak = 0;
        for (int run = 0; run < 3; ++run) {
            const bench::Start our_start = bench::TimeStart(start.ours, start.display.Name(), start.mark);
            ours = std::min(ours, our_start.seconds);
            peak = std::max(peak, our_start.peak_mb);
            ref = std::min(ref, bench::TimeStart(start.ref, start.display.Name(), start.mark).seconds);
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
