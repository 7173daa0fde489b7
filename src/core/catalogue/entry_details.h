#pragma once
// The entry details window's logic: what it shows of an entry, where it
// stands, and how its controls are laid out from its six pictures. The window
// (TFormShowDetails) implements EntryDetailsView and registers itself; any
// window that opens details calls ShowEntryDetails and KeepDetailsOnDesktop.
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "core/platform/seams.h"
#include "core/records/record_table.h"

namespace veltod {

// Everything the window shows of one entry; texts are the entry's bytes.
struct EntryDetails {
    std::string title;        // Label7: Name + " " + TitleSuffix
    std::string name;         // Label6
    std::string description;  // Label1 and the viewer
    std::string platforms;    // Label4: "For: " + the marked platforms
    std::string size;         // Label5: SizeKb + " Kb"
    std::string detail_a;     // Label2
    std::string detail_b;     // Label3
    std::string info_url;
    std::string download_url;
    std::string buy_url;
    bool buy_visible = false;
};

// "For: " followed by "W95/", "W98/" ... "Linux/" for each position 1 to 8
// of the field holding "x".
std::string PlatformsLine(std::string_view platforms);

// The details of one row; nothing for a row outside the table.
std::optional<EntryDetails> DetailsOfRow(const RecordTable& table, size_t row);

struct WindowPlace {
    int left = 0;
    int top = 0;
    bool operator==(const WindowPlace&) const = default;
};

// At exactly "640x480" the layout table's place; elsewhere the window's right
// edge on the anchor's right edge and its top on the anchor's top.
WindowPlace DetailsPlace(std::string_view resolution_key, int anchor_top, int anchor_right, int window_width);

// Pulls a window at `window` up so its bottom is at least 20 pixels above the
// desktop's bottom, and, when its left edge is off the desktop to the left,
// moves it to the right edge of the day news window.
WindowPlace KeepOnDesktopPlace(const ScreenRect& window, const ScreenRect& desktop, const ScreenRect& day_news);

struct PictureSize {
    int width = 0;
    int height = 0;
};

// Control rectangles of the details window, relative to its client area.
struct DetailsLayout {
    ScreenRect image[7];  // Image1..Image6 at [1]..[6]
    ScreenRect label[8];  // Label1..Label7 at [1]..[7]
    ScreenRect viewer;    // the description viewer, over Label1
    int width = 0;
    int height = 0;
};

// Lays the window out from its pictures: Image1 ... Image6 at [1] ... [6].
DetailsLayout LayOutDetails(const PictureSize (&pictures)[7]);

// Halves rounded to the nearest integer, ties to even.
int HalfRoundedToEven(int value);

// What the details window offers the logic above.
class EntryDetailsView {
public:
    virtual ~EntryDetailsView() = default;
    virtual ScreenRect Geometry() const = 0;
    virtual void MoveTo(int left, int top) = 0;
    virtual void ShowView() = 0;
    // Fills the controls and keeps the three addresses.
    virtual void ShowDetails(const EntryDetails& details) = 0;
};

// The details window registers itself at creation and unregisters when it goes.
void SetEntryDetailsView(EntryDetailsView* view);
EntryDetailsView* CurrentEntryDetailsView();
// Makes the details window the first time an entry is shown: a start does
// not build it for a first page that may never open one.
void SetEntryDetailsViewMaker(std::function<EntryDetailsView*()> make);

// A window at `window` that overlaps `obstacle` (the lower sponsor banner)
// moves up until it stands above it, never above the desktop's top.
WindowPlace ClearOfPlace(const ScreenRect& window, const ScreenRect& obstacle, const ScreenRect& desktop);

// Fills the details window from a row of `table`, places it beside the anchor
// (screen pixels) and shows it. A row outside the table, or no details window,
// does nothing.
void ShowEntryDetails(const RecordTable& table, size_t row, int anchor_top, int anchor_right);

// Pulls the details window back onto the desktop (see KeepOnDesktopPlace).
void KeepDetailsOnDesktop(const ScreenRect& day_news_window);

// Moves the details window off the obstacle (see ClearOfPlace), except at
// 640x480, where it keeps its table place.
void KeepDetailsClearOf(const ScreenRect& obstacle);

}  // namespace veltod
