// One key typed into the search field until its results are painted, in the
// real program on the big installation under X (the text before it already
// searched and shown), beside the same search run once by the core in this
// process, on the same lists in the same run. The best of three keys.
#include <unistd.h>

#include <algorithm>
#include <cstdio>

#include "big_installation.h"
#include "core/catalogue/catalogue_search.h"

namespace {

// The core's search for text, timed in this process (the best of runs).
double CoreSearch(const bench::fs::path& root, const std::string& text, int runs) {
    const bench::fs::path here = bench::fs::current_path();
    bench::fs::current_path(root / "bin");
    double best = 1e30;
    for (int run = 0; run < runs; ++run) {
        const double start = bench::Seconds();
        const auto found = veltod::SearchCatalogue(text);
        best = std::min(best, bench::Seconds() - start);
        if (!found || found->by_kind[0] == 0) throw std::runtime_error("the core search found nothing");
    }
    bench::fs::current_path(here);
    return best;
}

}  // namespace

int main() {
    try {
        const bench::fs::path root = bench::BigInstallation();
        const bench::Display display;
        const bench::fs::path mark = bench::fs::path(VELTOD_BENCH_DATA) / "search_as_you_type.mark";
        bench::fs::remove(mark);
        const double ref = CoreSearch(root, "quokka", 3);

        bench::Program program({(root / "bin/VeltoD.exe").string()}, bench::MarkedEnvironment(display.Name(), mark));
        const veltod::test::Geometry main_window = bench::PaintedMainWindow(display.Name(), root, mark);
        double ours = 1e30;
        // Each text's last key is timed: its search runs and its page is
        // painted while the field keeps the keyboard.
        const char* const texts[] = {"quokk", "uokk", "okk"};
        for (const char* text : texts) {
            bench::ClickButton(display.Name(), main_window, root, "Bot4.gif", 104, 12);
            std::this_thread::sleep_for(std::chrono::milliseconds(500));
            int before = bench::MarkCount(mark);
            bench::Xdotool(display.Name(), std::string("key ctrl+a BackSpace type --delay 150 ") + text);
            if (!bench::WaitForMark(mark, before + 1)) throw std::runtime_error("the typed text showed nothing");
            // Let the searches of the earlier keys settle.
            std::this_thread::sleep_for(std::chrono::milliseconds(1500));
            before = bench::MarkCount(mark);
            const double start = bench::Seconds();
            bench::Xdotool(display.Name(), "key a");
            if (!bench::WaitForMark(mark, before + 1)) throw std::runtime_error("the last key showed nothing");
            ours = std::min(ours, bench::Seconds() - start);
        }
        const double peak = program.PeakMiB();
        bench::Report("search_as_you_type", ours, ref, 1.5, peak);
        std::printf("# %d history entries in %d lists; key to painted page against one core search\n",
                    bench::kHistoryEntries, 3 * bench::kHistoryCategories);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bench_search_as_you_type: %s\n", error.what());
        return 1;
    }
    return 0;
}
