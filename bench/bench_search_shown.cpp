// Search pressed (Return in the search field) until the results list is
// painted, in the real program on the big installation under X, beside
// `LC_ALL=C grep -i -c` over the same history lists in the same run. The
// best of three searches.
#include <algorithm>
#include <cstdio>

#include "big_installation.h"
#include "core/records/record_file.h"

int main() {
    try {
        const bench::fs::path root = bench::BigInstallation();
        const bench::Display display;
        const bench::fs::path mark = bench::fs::path(VELTOD_BENCH_DATA) / "search.mark";
        bench::fs::remove(mark);
        const std::string lists = (root / "Resources").string() + "/[1-9]*.[123]cat";
        const double ref = bench::TimeCommand("LC_ALL=C grep -i -c quokka " + lists + " | cat", 3);

        bench::Program program({(root / "bin/VeltoD.exe").string()}, bench::MarkedEnvironment(display.Name(), mark));
        const veltod::test::Geometry main_window = bench::PaintedMainWindow(display.Name(), root, mark);
        double ours = 1e30;
        for (int run = 0; run < 3; ++run) {
            // The search button, then the word typed into the field it focuses.
            bench::ClickButton(display.Name(), main_window, root, "Bot4.gif", 104, 12);
            std::this_thread::sleep_for(std::chrono::milliseconds(500));
            bench::Xdotool(display.Name(), "key ctrl+a type quokka");
            // The field searches as it is typed: those results are painted
            // before Return is timed.
            std::this_thread::sleep_for(std::chrono::milliseconds(1500));
            const int before = bench::MarkCount(mark);
            const double start = bench::Seconds();
            bench::Xdotool(display.Name(), "key Return");
            if (!bench::WaitForMark(mark, before + 1)) throw std::runtime_error("no results list was shown");
            ours = std::min(ours, bench::Seconds() - start);
        }
        const double peak = program.PeakMiB();
        size_t found = 0;
        for (const char* kind : {"1", "2", "3"}) {
            veltod::RecordTable table;
            veltod::ReadRecordFile((root / "Resources" / (std::string("Encontro.") + kind + "cat")).string(), table);
            found += table.RowCount();
        }
        if (found != bench::kHistoryEntries / 100) {
            std::fprintf(stderr, "found %zu entries, expected %d\n", found, bench::kHistoryEntries / 100);
            return 1;
        }
        bench::Report("search_shown", ours, ref, 1.5, peak);
        std::printf("# %d history entries in %d lists, %zu found; peak is the program's\n", bench::kHistoryEntries,
                    3 * bench::kHistoryCategories, found);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bench_search_shown: %s\n", error.what());
        return 1;
    }
    return 0;
}
