#pragma once
// The day news list: one catalogue record file shown as a column of up to 40
// picture rows, paged with a "more" row and a "back" row. The model decides,
// row by row, the picture file, caption, colour, state word, marker and
// visibility; the window only shows what it is told through DayNewsView.
#include <array>
#include <cstddef>
#include <cstdint>
#include <future>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/catalogue/catalogue_entry.h"
#include "core/platform/file_io.h"
#include "core/records/record_table.h"

namespace veltod {

// Row controls of the day news window: enough to fill the height that a
// computed layout gives the day news on a screen 2,800 pixels high. A screen
// the layout tables list pages at most kTabledPageRows rows, as it always did.
inline constexpr int kDayRows = 160;
inline constexpr int kTabledPageRows = 40;

// Markers of the two paging rows; entry rows hold their entry index instead,
// so a list shows at most kMaxDayEntries entries.
inline constexpr int16_t kMoreMarker = 9999;
inline constexpr int16_t kBackMarker = 9998;
inline constexpr size_t kMaxDayEntries = 9998;

// Existence tests for the row pictures, so tests can say which files exist.
class FileProbe {
public:
    virtual ~FileProbe() = default;
    virtual bool Exists(const std::string& path) const = 0;
};

class DiskFileProbe : public FileProbe {
public:
    bool Exists(const std::string& path) const override;
};

// Where the details window is placed beside a clicked row: its top at the
// row, its right edge against the day news window's left edge.
struct DetailsAnchor {
    int16_t top = 0;
    int16_t right = 0;
};

// What the model asks of the window. Rows are numbered 1 to kDayRows.
class DayNewsView {
public:
    virtual ~DayNewsView() = default;
    // Loads the picture file into the row; a file that cannot be loaded is the
    // view's error to raise.
    virtual void SetRowPicture(int row, const std::string& path) = 0;
    virtual void SetRowCaption(int row, std::string_view text) = 0;
    virtual void SetRowColour(int row, Rgb colour) = 0;
    virtual void SetRowState(int row, std::string_view state) = 0;
    virtual void SetRowMarker(int row, std::string_view marker) = 0;
    virtual void SetRowVisible(int row, bool visible) = 0;
    // The height of row 1's picture as loaded: the height of every row.
    virtual int RowHeight() const = 0;
    // Rows 1..rows stacked from the top; the window gets that many rows'
    // height and its place on the screen.
    virtual void SetPage(int rows, int height, int left, int top) = 0;
    // The window's current top-left corner on the screen.
    virtual int WindowLeft() const = 0;
    virtual int WindowTop() const = 0;
    // Shows the message window with this text in this colour.
    virtual void ShowMessage(std::string_view text, Rgb colour) = 0;
    // Opens the details window for one row of the list beside the anchor and
    // keeps it on the desktop.
    virtual void OpenDetails(const RecordTable& list, size_t row, DetailsAnchor anchor) = 0;
};

// The path of a row picture for key and ordinal n in mode (see the table of
// keys in day_news_model.cpp).
std::string DayPictureFile(std::string_view key, int n, std::string_view mode, const FileProbe& files);

// The pictures of a first page of mode with at most rows rows, once each: a
// row picture per entry row and the more arrow.
std::vector<std::string> FirstPagePictures(std::string_view mode, int rows, const FileProbe& files);

// Rows a page may use: page height over row height, rounded half to even,
// capped at most_rows (at most kDayRows). Never below 3, so that a page can
// always hold a back row, an entry row and a more row.
int RowsPerPage(int page_height, int row_height, int most_rows = kTabledPageRows);

inline constexpr std::string_view kStateLow = "bajo";
inline constexpr std::string_view kStateHigh = "alto";
inline constexpr std::string_view kStateLowMore = "bajoprox";
inline constexpr std::string_view kStateHighMore = "altoprox";
inline constexpr std::string_view kStateLowBack = "bajoante";
inline constexpr std::string_view kStateHighBack = "altoante";

struct DayRow {
    std::string picture;
    std::string caption;
    Rgb colour = 0;
    std::string state{kStateLow};
    std::string marker;
    bool visible = false;
};

// A list file read on another thread, with the stamp the file had when the
// read began; the failure, if any, stays in the future.
struct ListRead {
    std::optional<FileStamp> stamp;
    RecordTable table;
};
std::future<ListRead> ReadListAhead(std::string path);

class DayNewsModel {
public:
    DayNewsModel(DayNewsView& view, const FileProbe& files);

    // A read of the list file begun earlier (at start, while the rest of the
    // program was still being set up). The next load takes it when the file
    // it read is still the one there, and reads the file itself otherwise.
    void TakeReadAhead(std::future<ListRead> read) { read_ahead_ = std::move(read); }

    // Reads DayListFile for the current ListFilterMode and shows the first
    // page. When the file cannot be read the error propagates and the list,
    // the picture keys and the rows stay as they were. A list file unchanged
    // since this model last read it is not read again.
    void LoadDayList();

    void ShowFirstPage();
    void ShowNextPage();
    void ShowPreviousPage();

    // The mouse entered row k (its picture or its caption).
    void EnterRow(int k);
    // Row k was clicked: pages, or opens the details window for its entry.
    void ClickRow(int k);

    const DayRow& Row(int k) const { return rows_.at(static_cast<size_t>(k - 1)); }
    const RecordTable& DayList() const { return day_list_; }
    size_t EntryCount() const;
    const std::string& WindowMode() const { return window_mode_; }
    const std::string& NormalPictureKey() const { return normal_key_; }
    const std::string& HoverPictureKey() const { return hover_key_; }
    // R as the last page operation computed it.
    int PageRows() const { return rows_per_page_; }
    // Rows on the page the last page operation showed.
    int RowsShown() const { return rows_shown_; }

private:
    DayRow& At(int k) { return rows_[static_cast<size_t>(k - 1)]; }
    std::string Picture(std::string_view key, int n) const;
    void SetPicture(int k, std::string path);
    void SetState(int k, std::string_view state);
    void HideRowsFrom(int first);
    void MakeEntryRow(int k, size_t entry);
    void MakeMoreRow(int k);
    void MakeBackRow(int k);
    // A row of the back or more arrow: a picture, no caption, a marker.
    void MakeArrowRow(int k, std::string_view picture, std::string_view state, int marker);
    void FinishPage(int rows);
    void RestoreHighlighted(bool paging_rows_too);
    int ComputeRowsPerPage();

    DayNewsView& view_;
    const FileProbe& files_;
    RecordTable day_list_;
    std::optional<FileStamp> read_stamp_;
    std::future<ListRead> read_ahead_;
    std::string window_mode_;
    std::string normal_key_ = "DayNewsARR";
    std::string hover_key_ = "DayNewsUND";
    std::array<DayRow, kDayRows> rows_{};
    int rows_per_page_ = 0;
    int rows_shown_ = 0;
};

// The entry index a marker holds, or -1 when it holds none.
int MarkerValue(std::string_view marker);

}  // namespace veltod
