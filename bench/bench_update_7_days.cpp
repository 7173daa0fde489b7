// Update pressed until its run has applied seven pending days of 1,000
// entries each and shows its summary box, in the real program on the big
// installation under X, the packages served by nginx on loopback (also the
// proxy the settings name, so the connection probe finds its date there).
// Reference in the same run: curl fetching the same seven packages one after
// another plus `cat` of the history lists the days file into. The best of
// three runs, each on a fresh copy of the installation.
#include <algorithm>
#include <cstdio>
#include <ctime>

#include "../tests/support/local_servers.h"
#include "big_installation.h"

namespace {

constexpr int kDays = 7;

// The day `back` days before today, as YYYYMMDD.
std::string DayBefore(int back) {
    std::time_t when = std::time(nullptr) - static_cast<std::time_t>(back) * 86400;
    char text[16];
    std::strftime(text, sizeof text, "%Y%m%d", std::localtime(&when));
    return text;
}

void Write(const bench::fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

std::string Read(const bench::fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

int main() {
    try {
        const bench::fs::path data(VELTOD_BENCH_DATA);
        bench::BigInstallation();
        const bench::Display display;
        veltod::test::NginxServer web;
        web.Put("index.html", "VeltoD benchmark mirror\n");
        // Seven days of new entries, ids above everything installed.
        const bench::fs::path source = data / "update-days";
        bench::fs::remove_all(source);
        bench::fs::create_directories(source);
        std::vector<std::string> days;
        for (int back = kDays; back >= 1; --back) {
            days.push_back(DayBefore(back));
            bench::WriteBigList(source / (days.back() + ".1cat"),
                                bench::kHistoryEntries + 200000 + static_cast<int>(days.size()) * bench::kWeekDayEntries,
                                bench::kWeekDayEntries);
        }
        const std::string publish = std::string(VELTOD_BENCH_PUBLISH) + " folder --source " + source.string() +
                                    " --out " + web.Root().string() + " --key " + VELTOD_BENCH_KEYS +
                                    "/veltod.sec --mirror " + web.Url("/") + " >/dev/null";
        if (std::system(publish.c_str()) != 0) throw std::runtime_error("publishing the days failed");
        if (std::system(("chmod -R a+rX " + web.Root().string()).c_str()) != 0) throw std::runtime_error("chmod");

        std::string fetches;
        for (const std::string& day : days)
            fetches += "curl -s -S -f -o /dev/null " + web.Url("/dos/" + day + ".gif") + " && ";
        const bench::fs::path copy = data / "update-copy";
        bench::CopyBigInstallation(copy);
        const double ref = bench::TimeCommand(fetches + "cat " + (copy / "Resources").string() + "/[1-9]*.1cat", 3);

        double ours = 1e30, peak = 0;
        const bench::fs::path mark = data / "update.mark";
        for (int run = 0; run < 3; ++run) {
            if (run > 0) bench::CopyBigInstallation(copy);
            Write(copy / "Recibi/espejos.fij", "1\r\n" + web.Url("/") + "\r\n");
            Write(copy / "Recibi/proxy.con",
                  "127.0.0.1\r\n" + std::to_string(web.Port()) + "\r\n\r\ncbChecked\r\n" + web.Url("/") + "\r\n");
            Write(copy / "Resources/actualizado.fij", "1\r\n" + DayBefore(kDays + 1) + "\r\n");
            bench::fs::copy_file(bench::fs::path(VELTOD_BENCH_KEYS) / "veltod.pub", copy / "bin/veltod.pub",
                                 bench::fs::copy_options::overwrite_existing);
            bench::fs::remove(mark);
            ::sync();
            bench::Program program({(copy / "bin/VeltoD.exe").string()}, bench::MarkedEnvironment(display.Name(), mark));
            const veltod::test::Geometry main_window = bench::PaintedMainWindow(display.Name(), copy, mark);
            const double start = bench::Seconds();
            bench::ClickButton(display.Name(), main_window, copy, "Bot8.gif", 104, 30);
            // The run ends with its summary box (answering it only opens the
            // newest day).
            if (!bench::WaitForMark(mark, 2, 300)) throw std::runtime_error("the update run never ended");
            ours = std::min(ours, bench::Seconds() - start);
            if (bench::LastMark(mark) != "box UPDATE COMPLETE")
                throw std::runtime_error("the update run ended with: " + bench::LastMark(mark));
            peak = std::max(peak, program.PeakMiB());
            if (Read(copy / "Resources/actualizado.fij") != "1\r\n" + days.back() + "\r\n")
                throw std::runtime_error("the run did not apply the seven days: " +
                                         Read(copy / "Resources/actualizado.fij"));
        }
        bench::fs::remove_all(copy);
        bench::Report("update_7_days", ours, ref, 2.0, peak);
        std::printf("# %d days of %d entries into %d history entries; peak is the program's\n", kDays,
                    bench::kWeekDayEntries, bench::kHistoryEntries);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bench_update_7_days: %s\n", error.what());
        return 1;
    }
    return 0;
}
