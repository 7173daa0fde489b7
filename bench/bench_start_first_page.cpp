// Program start until the day news page is painted, on the big installation
// under X (Xvfb when no display is set), beside a minimal Qt program that
// opens one borderless window with the main window's background picture.
// Both write a line to a mark file after that paint; the best of three
// starts each, after one untimed start of each to warm the caches.
//
// Twice: with the machine's fonts, and with only the fonts the package
// depends on. The toolkit lists every font face of the desktop before the
// first text is drawn, which the reference, drawing none, never does; the
// second line shows the program's own start without that. Last, for the
// record, the same minimal program showing five windows, as many as the
// first page has (main window, two banners, message plate, day news), one
// picture each: what the windows alone cost.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "big_installation.h"

namespace {

void TimeStarts(const bench::StartPrograms& start, const char* line, const std::vector<std::string>& extra_env) {
    bench::TimeStart(start.ours, start.display.Name(), start.mark, extra_env);
    bench::TimeStart(start.ref, start.display.Name(), start.mark, extra_env);
    double ours = 1e30, ref = 1e30, peak = 0;
    for (int run = 0; run < 3; ++run) {
        const bench::Start our_start = bench::TimeStart(start.ours, start.display.Name(), start.mark, extra_env);
        ours = std::min(ours, our_start.seconds);
        peak = std::max(peak, our_start.peak_mb);
        ref = std::min(ref, bench::TimeStart(start.ref, start.display.Name(), start.mark, extra_env).seconds);
    }
    bench::Report(line, ours, ref, 1.5, peak);
}

}  // namespace

int main() {
    try {
        const bench::StartPrograms start;
        TimeStarts(start, "start_first_page", {});
        std::printf("# %d history entries, %d-entry day list, %d categories; peak is the program's\n",
                    bench::kHistoryEntries, bench::kTodayEntries, bench::kCategoryCount);
        TimeStarts(start, "start_first_page_package_fonts",
                   {"FONTCONFIG_FILE=" + bench::PackageFontsConfiguration().string()});
        std::printf("# the same starts with only the fonts the package depends on\n");
        std::vector<std::string> five_windows = start.ref;
        for (const char* picture : {"Def/ban1a.gif", "Def/ban5a.gif", "Resources/mensaje.gif", "Resources/dayarr0011.gif"})
            five_windows.push_back((start.root / picture).string());
        bench::TimeStart(five_windows, start.display.Name(), start.mark);
        double one = 1e30, five = 1e30;
        for (int run = 0; run < 3; ++run) {
            one = std::min(one, bench::TimeStart(start.ref, start.display.Name(), start.mark).seconds);
            five = std::min(five, bench::TimeStart(five_windows, start.display.Name(), start.mark).seconds);
        }
        std::printf("# a minimal program showing the first page's five windows: %.1f ms, %.2fx its one window\n",
                    five * 1000, five / one);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bench_start_first_page: %s\n", error.what());
        return 1;
    }
    return 0;
}
