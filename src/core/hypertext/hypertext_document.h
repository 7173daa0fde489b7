#pragma once
// The hypertext viewer's document: paragraphs of plain text in numbered text
// styles, wrapped into drawn lines, with the scroll arithmetic and the mouse
// selection. Text measurement comes through TextMeasurer so the rules run the
// same with a platform font and with a fixed test font.
#include <array>
#include <compare>
#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/skin/colour.h"

namespace veltod {

struct TextStyle {
    std::string font_name = "Arial";
    int size_points = 10;
    Rgb colour = 0x000000;
    int charset = 1;  // the default character set
    bool bold = false;
    bool italic = false;
    bool underline = false;
};

struct StyleSheet {
    std::vector<TextStyle> styles;
    Rgb background = 0xFFFFFF;
    Rgb selection_background = 0x000080;
    Rgb selection_text = 0xFFFFFF;
};

// The desktop's colours that the default sheets start from.
struct SystemColours {
    Rgb window = 0xFFFFFF;
    Rgb window_text = 0x000000;
    Rgb highlight = 0x000080;
    Rgb highlight_text = 0xFFFFFF;
};

// Six styles: plain, bold blue, bold navy, italic maroon, two underlined green.
StyleSheet DefaultStyleSheet(const SystemColours& system);
// The details window's sheet: style 0 Arial 9 pt bold #666600 on #CCCC00.
StyleSheet DetailsStyleSheet(const SystemColours& system);
// The update window's trace sheet: style 0 Arial 10 pt in the window-text colour.
StyleSheet TraceStyleSheet(const SystemColours& system);

// Metrics of one style's font; widths are the advances of the 256 byte values
// (text is Windows-1252, one byte per character).
struct FontMeasure {
    int ascent = 0;
    int descent = 0;
    int external_leading = 0;
    std::array<int, 256> widths{};
    int Width(char c) const { return widths[static_cast<unsigned char>(c)]; }
};

class TextMeasurer {
public:
    virtual ~TextMeasurer() = default;
    // The metrics of a style that exists in the sheet.
    virtual const FontMeasure& Measure(size_t style) = 0;
    virtual size_t StyleCount() const = 0;
};

struct ViewerSettings {
    int left_margin = 5;
    int right_margin = 5;
    int min_text_width = 0;
    int max_text_width = 0;  // 0: no limit
};

struct Paragraph {
    std::string text;
    int style = 0;
};

struct DrawnLine {
    size_t paragraph = 0;
    size_t first = 0;   // first character within the paragraph
    size_t length = 0;  // characters on the line
    int left = 0;       // document pixels
    int top = 0;
    int width = 0;
    int height = 0;  // ascent + descent
    int ascent = 0;
};

// A caret position: before character `offset` of paragraph `paragraph`.
struct TextPosition {
    size_t paragraph = 0;
    size_t offset = 0;
    auto operator<=>(const TextPosition&) const = default;
};

inline constexpr int kScrollUnitPixels = 10;
inline constexpr int kMaxScrollUnits = 30000;

class HypertextDocument {
public:
    explicit HypertextDocument(ViewerSettings settings = {}) : settings_(settings) {}

    // Line breaks (CR, LF, CR LF) cut the text into paragraphs of the style;
    // a trailing break adds no empty paragraph, an empty text adds one.
    void AddText(std::string_view text, int style);
    size_t ItemCount() const { return paragraphs_.size(); }
    const std::vector<Paragraph>& Paragraphs() const { return paragraphs_; }
    // Removes up to `count` paragraphs from `first`; clears the selection and
    // the drawn lines (a format must follow).
    void DeleteItems(size_t first, size_t count);

    // Lays every paragraph out for a client area `client_width` pixels wide.
    void Format(TextMeasurer& measurer, int client_width);
    const std::vector<DrawnLine>& Lines() const { return lines_; }
    int DocumentHeight() const { return document_height_; }
    int TextWidth() const { return text_width_; }
    // Width the horizontal scroll covers: the text width and both margins, or
    // the widest line when a view narrower than a character overflows.
    int ContentWidth() const;
    const ViewerSettings& Settings() const { return settings_; }

    // Vertical scrolling in units: 10 pixels, or document height / 30000 when
    // more than 30000 units would be needed.
    int ScrollUnit() const { return scroll_unit_; }
    int VerticalRange() const { return document_height_ / scroll_unit_; }
    // The last scroll position (units) still needed to bring the document's end
    // into a view `client_height` pixels high; 0 when it all fits.
    int MaxScrollPosition(int client_height) const;
    // The scroll position for a document position in pixels, clamped.
    int ScrollPositionFor(int pixels, int client_height) const;

    // Lines [first, last) that meet the band [top, bottom) of document pixels.
    std::pair<size_t, size_t> LinesBetween(int top, int bottom) const;

    // The caret position at a point in document pixels (see README).
    TextPosition PositionAt(TextMeasurer& measurer, int x, int y) const;
    TextPosition EndPosition() const;

    void StartSelection(TextPosition at);
    void ExtendSelection(TextPosition to);
    void ClearSelection();
    bool HasSelection() const;
    // Ordered start and end of the selection (equal when empty).
    std::pair<TextPosition, TextPosition> Selection() const;
    // Selected characters of line `index` as [from, to) within the line.
    std::pair<size_t, size_t> SelectedOnLine(size_t index) const;
    // The selected text with CR LF between paragraphs.
    std::string SelectedText() const;

private:
    size_t StyleIndex(int style, const TextMeasurer& measurer) const;

    ViewerSettings settings_;
    std::vector<Paragraph> paragraphs_;
    std::vector<DrawnLine> lines_;
    int document_height_ = 0;
    int text_width_ = 0;
    int widest_line_ = 0;
    int scroll_unit_ = kScrollUnitPixels;
    bool selection_set_ = false;
    TextPosition anchor_;
    TextPosition end_;
};

// Units to scroll per auto-scroll tick while a selection is dragged with the
// pointer at `pointer_y` (viewer pixels): 0 inside, 1 less than 20 pixels
// outside, 10 further; negative above the view.
int AutoScrollUnits(int pointer_y, int client_height);

}  // namespace veltod
