#include "core/daynews/day_news_model.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <utility>

#include "core/platform/convert.h"
#include "core/platform/file_io.h"
#include "core/platform/seams.h"
#include "core/platform/stored_files.h"
#include "core/records/record_file.h"
#include "core/skin/screen_layout.h"
#include "core/view/process_state.h"

namespace veltod {

namespace {

std::string ThreeDigits(int n) {
    std::string digits = std::to_string(n);
    return std::string(3 - digits.size(), '0') + digits;
}

std::string PlainPicture(std::string_view look, std::string_view mode) {
    return kResourcesFolder + "day" + std::string(look) + "000" + std::string(mode) + ".gif";
}

std::string FirstOrPlain(std::string first, std::string_view look, std::string_view mode, const FileProbe& files) {
    if (files.Exists(first)) return first;
    return PlainPicture(look, mode);
}

std::string CurrentResolutionKey() {
    return CurrentLayoutKey();
}

bool IsSearchList(const std::string& list_file, const std::string& mode) {
    return list_file == SearchResultsPath(mode);
}

}  // namespace

bool DiskFileProbe::Exists(const std::string& path) const { return FileExists(path); }

std::string DayPictureFile(std::string_view key, int n, std::string_view mode, const FileProbe& files) {
    const bool numbered = n >= 1 && n <= 999;
    if (key == "DayNewsARR" || key == "DayNewsUND") {
        const std::string_view look = key == "DayNewsARR" ? "arr" : "und";
        if (!numbered) return PlainPicture(look, mode);
        return FirstOrPlain(kResourcesFolder + "day" + std::string(look) + ThreeDigits(n) + std::string(mode) + ".gif",
                            look, mode, files);
    }
    if (key == "DayNoneARR") return PlainPicture("arr", mode);
    if (key == "DayNoneUND") return PlainPicture("und", mode);
    if (key == "Dayarrmore") return FirstOrPlain(kResourcesFolder + "dayarrmore.gif", "arr", mode, files);
    if (key == "Dayundmore") return FirstOrPlain(kResourcesFolder + "dayundmore.gif", "und", mode, files);
    if (key == "Dayarrback") return FirstOrPlain(kResourcesFolder + "dayarrback.gif", "arr", mode, files);
    if (key == "Dayundback") return FirstOrPlain(kResourcesFolder + "dayundback.gif", "und", mode, files);
    throw std::invalid_argument("unknown day picture key " + std::string(key));
}

std::vector<std::string> FirstPagePictures(std::string_view mode, int rows, const FileProbe& files) {
    std::vector<std::string> pictures;
    for (int n = 1; n < rows; ++n) pictures.push_back(DayPictureFile("DayNewsARR", n, mode, files));
    pictures.push_back(DayPictureFile("Dayarrmore", 0, mode, files));
    std::sort(pictures.begin(), pictures.end());
    pictures.erase(std::unique(pictures.begin(), pictures.end()), pictures.end());
    return pictures;
}

int RowsPerPage(int page_height, int row_height, int most_rows) {
    const int most = std::clamp(most_rows, 3, kDayRows);
    int rows = most;
    if (row_height > 0) {
        // The default floating-point rounding mode rounds a half to even.
        const double exact = std::nearbyint(static_cast<double>(page_height) / row_height);
        if (exact < most) rows = static_cast<int>(exact);
    }
    // Paging needs a back row, an entry row and a more row on one page; with
    // fewer rows the list could not be paged through at all.
    return rows < 3 ? 3 : rows;
}

int MarkerValue(std::string_view marker) {
    int32_t value = 0;
    if (!TryStrToInt(marker, value) || value < 0 || value > INT16_MAX) return -1;
    return value;
}

std::future<ListRead> ReadListAhead(std::string path) {
    return std::async(std::launch::async, [path = std::move(path)] {
        ListRead read;
        read.stamp = StampOfFile(path);
        ReadRecordFile(path, read.table);
        return read;
    });
}

DayNewsModel::DayNewsModel(DayNewsView& view, const FileProbe& files)
    : view_(view), files_(files), window_mode_(State().ListFilterMode) {}

size_t DayNewsModel::EntryCount() const {
    const size_t rows = day_list_.RowCount();
    return rows < kMaxDayEntries ? rows : kMaxDayEntries;
}

std::string DayNewsModel::Picture(std::string_view key, int n) const {
    return DayPictureFile(key, n, window_mode_, files_);
}

void DayNewsModel::SetPicture(int k, std::string path) {
    view_.SetRowPicture(k, path);
    At(k).picture = std::move(path);
}

void DayNewsModel::SetState(int k, std::string_view state) {
    At(k).state = std::string(state);
    view_.SetRowState(k, state);
}

void DayNewsModel::LoadDayList() {
    const std::string mode = State().ListFilterMode;
    const std::string list_file = State().DayListFile;
    const bool search = IsSearchList(list_file, mode);
    const std::string normal_key = search ? "DayNoneARR" : "DayNewsARR";
    const std::string hover_key = search ? "DayNoneUND" : "DayNewsUND";

    // Read into a fresh table so that a failed read keeps the list that the
    // rows still show; a file without records leaves it empty. Today's list
    // is asked for at creation and again at every Today: read it once.
    const std::optional<FileStamp> stamp = StampOfFile(list_file);
    if (read_ahead_.valid()) {
        try {
            ListRead ahead = read_ahead_.get();
            if (stamp && ahead.stamp == stamp) {
                day_list_ = std::move(ahead.table);
                read_stamp_ = stamp;
            }
        } catch (const std::exception&) {
            // Read again below, where the failure reaches the user.
        }
    }
    // The stamp names the file itself (device and inode), so another name
    // of the same stamp has the same bytes.
    const bool unchanged = stamp && stamp == read_stamp_;
    RecordTable fresh;
    if (!unchanged) ReadRecordFile(list_file, fresh);
    // Row 1's picture fixes the row height and the window width.
    SetPicture(1, DayPictureFile(normal_key, 1, mode, files_));

    window_mode_ = mode;
    normal_key_ = normal_key;
    hover_key_ = hover_key;
    if (!unchanged) {
        day_list_ = std::move(fresh);
        read_stamp_ = stamp;
    }
    ShowFirstPage();
}

int DayNewsModel::ComputeRowsPerPage() {
    // A computed layout's page fills the height it is given; a tabled one
    // keeps the page length it always had.
    const std::string key = CurrentResolutionKey();
    rows_per_page_ = RowsPerPage(LayoutTop("HeightDayNews", key), view_.RowHeight(),
                                 IsTabledLayout(key) ? kTabledPageRows : kDayRows);
    return rows_per_page_;
}

void DayNewsModel::HideRowsFrom(int first) {
    for (int k = first; k <= kDayRows; ++k) {
        At(k).visible = false;
        view_.SetRowVisible(k, false);
    }
}

void DayNewsModel::MakeEntryRow(int k, size_t entry) {
    SetPicture(k, Picture(normal_key_, static_cast<int>(entry) + 1));
    SetState(k, kStateLow);
    DayRow& row = At(k);
    row.caption = std::string(EntryValue(day_list_, entry, EntryField::Name));
    view_.SetRowCaption(k, row.caption);
    // A colour code that is not a number gets the table's default colour
    // rather than stopping the page half drawn.
    int32_t code = -1;
    if (!TryStrToInt(EntryValue(day_list_, entry, EntryField::ColourCode), code)) code = -1;
    row.colour = ColourForCode(code);
    view_.SetRowColour(k, row.colour);
    row.marker = std::to_string(entry);
    view_.SetRowMarker(k, row.marker);
    row.visible = true;
    view_.SetRowVisible(k, true);
}

void DayNewsModel::MakeArrowRow(int k, std::string_view picture, std::string_view state, int marker) {
    SetPicture(k, Picture(picture, 0));
    SetState(k, state);
    DayRow& row = At(k);
    row.caption.clear();
    view_.SetRowCaption(k, row.caption);
    row.marker = std::to_string(marker);
    view_.SetRowMarker(k, row.marker);
    row.visible = true;
    view_.SetRowVisible(k, true);
}

void DayNewsModel::MakeMoreRow(int k) { MakeArrowRow(k, "Dayarrmore", kStateLowMore, kMoreMarker); }

void DayNewsModel::MakeBackRow(int k) { MakeArrowRow(k, "Dayarrback", kStateLowBack, kBackMarker); }

void DayNewsModel::FinishPage(int rows) {
    rows_shown_ = rows;
    At(1).visible = true;
    const std::string key = CurrentResolutionKey();
    view_.SetPage(rows, rows * view_.RowHeight(), LayoutLeft("FormDayNews", key), LayoutTop("FormDayNews", key));
}

void DayNewsModel::ShowFirstPage() {
    const int r = ComputeRowsPerPage();
    const size_t n = EntryCount();
    HideRowsFrom(2);
    if (n <= static_cast<size_t>(r)) {
        for (size_t i = 0; i < n; ++i) MakeEntryRow(static_cast<int>(i) + 1, i);
        FinishPage(static_cast<int>(n));
        return;
    }
    for (int k = 1; k <= r - 1; ++k) MakeEntryRow(k, static_cast<size_t>(k) - 1);
    MakeMoreRow(r);
    FinishPage(r);
}

void DayNewsModel::ShowNextPage() {
    // The page continues after the entry just above the more row, which is the
    // last row of a page that has one.
    if (rows_shown_ < 2 || MarkerValue(At(rows_shown_).marker) != kMoreMarker) return;
    const int last = MarkerValue(At(rows_shown_ - 1).marker);
    if (last < 0 || last >= kBackMarker) return;
    const int r = ComputeRowsPerPage();
    const long n = static_cast<long>(EntryCount());
    const long remaining = n - 1 - last;
    HideRowsFrom(2);
    MakeBackRow(1);
    if (remaining <= r - 1) {
        for (long k = 2; k <= remaining + 1; ++k) MakeEntryRow(static_cast<int>(k), static_cast<size_t>(last + k - 1));
        FinishPage(static_cast<int>(remaining < 0 ? 1 : remaining + 1));
        return;
    }
    for (int k = 2; k <= r - 1; ++k) MakeEntryRow(k, static_cast<size_t>(last + k - 1));
    MakeMoreRow(r);
    FinishPage(r);
}

void DayNewsModel::ShowPreviousPage() {
    const int first = MarkerValue(At(2).marker);
    const int r = ComputeRowsPerPage();
    // The page before the first page is the first page itself; this also
    // covers a page laid out for a taller screen than the current one.
    if (!At(2).visible || first < 0 || first >= kBackMarker || first <= r - 1) {
        ShowFirstPage();
        return;
    }
    HideRowsFrom(2);
    MakeBackRow(1);
    for (int k = 2; k <= r - 1; ++k) MakeEntryRow(k, static_cast<size_t>(first - r + k));
    MakeMoreRow(r);
    FinishPage(r);
}

void DayNewsModel::RestoreHighlighted(bool paging_rows_too) {
    for (int j = 1; j <= kDayRows; ++j) {
        const std::string state = At(j).state;
        if (state == kStateHigh) {
            SetState(j, kStateLow);
            SetPicture(j, Picture(normal_key_, MarkerValue(At(j).marker) + 1));
        } else if (paging_rows_too && state == kStateHighMore) {
            SetState(j, kStateLowMore);
            SetPicture(j, Picture("Dayarrmore", 0));
        } else if (paging_rows_too && state == kStateHighBack) {
            SetState(j, kStateLowBack);
            SetPicture(j, Picture("Dayarrback", 0));
        }
    }
}

void DayNewsModel::EnterRow(int k) {
    if (k < 1 || k > kDayRows) return;
    if (At(k).state == kStateLow) {
        const int entry = MarkerValue(At(k).marker);
        const std::string_view note =
            entry >= 0 ? EntryValue(day_list_, static_cast<size_t>(entry), EntryField::HoverNote) : std::string_view{};
        const HoverNoteText message = DecodeHoverNote(note);
        view_.ShowMessage(message.text, message.colour);
        SetPicture(k, Picture(hover_key_, entry + 1));
        RestoreHighlighted(true);
        SetState(k, kStateHigh);
    }
    if (At(k).state == kStateLowMore) {
        SetPicture(k, Picture("Dayundmore", 0));
        RestoreHighlighted(false);
        SetState(k, kStateHighMore);
    }
    if (At(k).state == kStateLowBack) {
        SetPicture(k, Picture("Dayundback", 0));
        RestoreHighlighted(false);
        SetState(k, kStateHighBack);
    }
}

void DayNewsModel::ClickRow(int k) {
    if (k < 1 || k > kDayRows) return;
    const int marker = MarkerValue(At(k).marker);
    if (marker == kMoreMarker) {
        ShowNextPage();
    } else if (marker == kBackMarker) {
        ShowPreviousPage();
    } else if (marker >= 0 && static_cast<size_t>(marker) < EntryCount()) {
        DetailsAnchor anchor;
        anchor.top = static_cast<int16_t>(view_.WindowTop() + (k - 1) * view_.RowHeight());
        anchor.right = static_cast<int16_t>(view_.WindowLeft());
        view_.OpenDetails(day_list_, static_cast<size_t>(marker), anchor);
    }
}

}  // namespace veltod
