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
// picture each: what the windows alone cost; then with the day news window
// as the page's rows, each a picture and a bold caption, made of labels and
// painted by one widget: what a plain program showing this page costs, the
// floor for the first lines' ratio. These with the package's fonts, as the
// second line.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "big_installation.h"
#include "core/daynews/day_news_model.h"

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
        std::vector<std::string> labelled_rows = five_windows, drawn_rows = five_windows;
        const std::string rows = std::to_string(veltod::kTabledPageRows);
        labelled_rows.insert(labelled_rows.begin() + 1, {"--rows", rows});
        drawn_rows.insert(drawn_rows.begin() + 1, {"--drawn-rows", rows});
        const std::vector<std::vector<std::string>> floors = {five_windows, labelled_rows, drawn_rows};
        const std::vector<std::string> package_fonts = {"FONTCONFIG_FILE=" +
                                                        bench::PackageFontsConfiguration().string()};
        for (const auto& floor : floors) bench::TimeStart(floor, start.display.Name(), start.mark, package_fonts);
        double one = 1e30;
        std::vector<double> best(floors.size(), 1e30);
        for (int run = 0; run < 3; ++run) {
            one = std::min(one, bench::TimeStart(start.ref, start.display.Name(), start.mark, package_fonts).seconds);
            for (size_t k = 0; k < floors.size(); ++k)
                best[k] = std::min(best[k], bench::TimeStart(floors[k], start.display.Name(), start.mark, package_fonts).seconds);
        }
        const char* what[] = {"the first page's five windows", "them with the page's rows as labels",
                              "them with the rows painted by one widget"};
        for (size_t k = 0; k < floors.size(); ++k)
            std::printf("# a minimal program showing %s: %.1f ms, %.2fx its one window\n", what[k], best[k] * 1000,
                        best[k] / one);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bench_start_first_page: %s\n", error.what());
        return 1;
    }
    return 0;
}
