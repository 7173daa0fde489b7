// Drives the day news model with any list file, any row height and any run
// of hovers, clicks and reloads, and checks that the rows it shows always
// address entries of the list and that paging rows sit where they belong.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/daynews/day_news_model.h"
#include "core/platform/errors.h"
#include "core/platform/seams.h"
#include "core/view/process_state.h"

namespace {

class FuzzScreen : public veltod::Screen {
public:
    veltod::ScreenRect Size() const override { return {0, 0, width, height}; }
    veltod::ScreenRect Desktop() const override { return Size(); }
    int width = 1024;
    int height = 768;
};

class NoFiles : public veltod::FileProbe {
public:
    bool Exists(const std::string& path) const override { return path.size() % 2 == 0; }
};

class CheckingView : public veltod::DayNewsView {
public:
    void SetRowPicture(int row, const std::string&) override { Check(row); }
    void SetRowCaption(int row, std::string_view) override { Check(row); }
    void SetRowColour(int row, veltod::Rgb) override { Check(row); }
    void SetRowState(int row, std::string_view) override { Check(row); }
    void SetRowMarker(int row, std::string_view) override { Check(row); }
    void SetRowVisible(int row, bool) override { Check(row); }
    int RowHeight() const override { return row_height; }
    void SetPage(int rows, int height, int, int) override {
        if (rows < 0 || rows > veltod::kDayRows || height != rows * row_height) std::abort();
    }
    int WindowLeft() const override { return 0; }
    int WindowTop() const override { return 0; }
    void ShowMessage(std::string_view, veltod::Rgb) override {}
    void OpenDetails(const veltod::RecordTable& list, size_t row, veltod::DetailsAnchor) override {
        if (row >= list.RowCount() || row >= veltod::kMaxDayEntries) std::abort();
    }
    static void Check(int row) {
        if (row < 1 || row > veltod::kDayRows) std::abort();
    }
    int row_height = 17;
};

void CheckRows(const veltod::DayNewsModel& model) {
    const int shown = model.RowsShown();
    if (shown < 0 || shown > veltod::kDayRows) std::abort();
    for (int k = 1; k <= shown; ++k) {
        const veltod::DayRow& row = model.Row(k);
        const int marker = veltod::MarkerValue(row.marker);
        if (marker == veltod::kMoreMarker) {
            if (k != shown) std::abort();
        } else if (marker == veltod::kBackMarker) {
            if (k != 1) std::abort();
        } else if (marker < 0 || static_cast<size_t>(marker) >= model.EntryCount()) {
            std::abort();
        }
    }
}

// An absolute path, so the fuzzer's own relative paths keep working.
std::string ListPath() {
    static const std::string path = [] {
        static char folder[] = "/tmp/veltod-fuzz-daynews-XXXXXX";
        if (!::mkdtemp(folder)) std::abort();
        std::atexit([] {
            std::remove((std::string(folder) + "/today.1cat").c_str());
            ::rmdir(folder);
        });
        return std::string(folder) + "/today.1cat";
    }();
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) return 0;
    static FuzzScreen screen;
    veltod::CurrentSeams().screen = &screen;
    const std::string path = ListPath();
    veltod::State() = veltod::ProcessState{};
    veltod::State().DayListFile = path;

    CheckingView view;
    view.row_height = data[0];
    screen.width = data[1] % 2 ? 640 : 1024;
    screen.height = data[1] % 2 ? 480 : 768;
    const size_t actions = data[2] % 64;
    size_t at = 3;
    const size_t list_start = at + 2 * actions < size ? at + 2 * actions : size;
    if (std::FILE* out = std::fopen(path.c_str(), "wb")) {
        std::fwrite(data + list_start, 1, size - list_start, out);
        std::fclose(out);
    }

    NoFiles files;
    veltod::DayNewsModel model(view, files);
    try {
        model.LoadDayList();
    } catch (const veltod::Error&) {
        return 0;
    }
    CheckRows(model);
    for (; at + 1 < list_start; at += 2) {
        const int row = data[at + 1] % 42;  // 0 and 41 lie outside the column
        switch (data[at] % 4) {
        case 0: model.EnterRow(row); break;
        case 1:
        case 2: model.ClickRow(row); break;
        default:
            screen.width = screen.width == 640 ? 1024 : 640;
            screen.height = screen.height == 480 ? 768 : 480;
            break;
        }
        CheckRows(model);
    }
    return 0;
}
