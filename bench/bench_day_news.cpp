// Loads a 9,998-entry today list into the day news model and shows its first
// page, beside reading the same file with the record reader alone, in the
// same run. The page work should add less than a tenth to the read.
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "bench_support.h"
#include "core/daynews/day_news_model.h"
#include "core/platform/seams.h"
#include "core/records/record_file.h"
#include "core/view/process_state.h"

namespace {

class BenchScreen : public veltod::Screen {
public:
    veltod::ScreenRect Size() const override { return {0, 0, 1024, 768}; }
    veltod::ScreenRect Desktop() const override { return {0, 0, 1024, 768}; }
};

// A window that takes every value and keeps the last row height.
class NullView : public veltod::DayNewsView {
public:
    void SetRowPicture(int, const std::string& path) override { last_picture = path; }
    void SetRowCaption(int, std::string_view text) override { captions += text.size(); }
    void SetRowColour(int, veltod::Rgb) override {}
    void SetRowState(int, std::string_view) override {}
    void SetRowMarker(int, std::string_view) override {}
    void SetRowVisible(int, bool) override {}
    int RowHeight() const override { return 17; }
    void SetPage(int rows, int, int, int) override { page_rows = rows; }
    int WindowLeft() const override { return 0; }
    int WindowTop() const override { return 0; }
    void ShowMessage(std::string_view, veltod::Rgb) override {}
    void OpenDetails(const veltod::RecordTable&, size_t, veltod::DetailsAnchor) override {}

    std::string last_picture;
    size_t captions = 0;
    int page_rows = 0;
};

}  // namespace

int main() {
    char pattern[] = "/tmp/veltod-bench-daynews-XXXXXX";
    const std::filesystem::path root = ::mkdtemp(pattern);
    std::filesystem::create_directories(root / "bin");
    std::filesystem::create_directories(root / "Resources");
    std::filesystem::current_path(root / "bin");

    const std::string path = "../Resources/today.1cat";
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) return 1;
    std::fputs("14\r\n", out);
    const std::string description(520, 'd');
    constexpr int kEntries = 9998;
    for (int i = 0; i < kEntries; ++i) {
        const std::string id = std::to_string(i);
        const std::string record = "Program " + id + "\r\nhttp://www.example.org/download/program" + id +
                                   ".zip\r\n1.0\r\n1234\r\nReleased today\r\nhttp://www.example.org/info/program" + id +
                                   ".html\r\nSample\r\n" + description + "\r\n" + std::to_string(i % 17 + 1) + "\r\n" +
                                   std::to_string(i % 300 + 1) + "\r\n" + id + "\r\n\r\nxxxxxx--\r\n%3%A short note\r\n";
        std::fwrite(record.data(), 1, record.size(), out);
    }
    std::fclose(out);

    BenchScreen screen;
    veltod::CurrentSeams().screen = &screen;
    veltod::State().DayListFile = path;

    NullView view;
    veltod::DiskFileProbe files;
    double read_best = 1e30;
    double load_best = 1e30;
    size_t rows = 0;
    // Alternating runs so that both see the same cache and machine load.
    for (int run = 0; run < 21; ++run) {
        {
            veltod::RecordTable table;
            const double start = bench::Seconds();
            veltod::ReadRecordFile(path, table);
            const double took = bench::Seconds() - start;
            rows = table.RowCount();
            if (took < read_best) read_best = took;
        }
        {
            veltod::DayNewsModel model(view, files);
            const double start = bench::Seconds();
            model.LoadDayList();
            const double took = bench::Seconds() - start;
            if (took < load_best) load_best = took;
            if (model.EntryCount() != static_cast<size_t>(kEntries)) {
                std::fprintf(stderr, "model holds %zu entries, expected %d\n", model.EntryCount(), kEntries);
                return 1;
            }
        }
    }
    std::error_code ignored;
    std::filesystem::current_path("/tmp");
    std::filesystem::remove_all(root, ignored);
    if (rows != static_cast<size_t>(kEntries) || view.page_rows != 39) {
        std::fprintf(stderr, "read %zu rows, page of %d rows\n", rows, view.page_rows);
        return 1;
    }
    bench::Report("day_news_first_page", load_best, read_best, 1.10, bench::PeakMiB());
    return 0;
}
