#include "core/hypertext/hypertext_document.h"

#include <algorithm>

namespace veltod {
namespace {

TextStyle MakeStyle(int points, Rgb colour, bool bold, bool italic, bool underline) {
    TextStyle style;
    style.size_points = points;
    style.colour = colour;
    style.bold = bold;
    style.italic = italic;
    style.underline = underline;
    return style;
}

StyleSheet SheetWithStyleZero(const SystemColours& system, TextStyle zero, Rgb background) {
    StyleSheet sheet = DefaultStyleSheet(system);
    sheet.styles[0] = std::move(zero);
    sheet.background = background;
    return sheet;
}

}  // namespace

StyleSheet DefaultStyleSheet(const SystemColours& system) {
    StyleSheet sheet;
    sheet.background = system.window;
    sheet.selection_background = system.highlight;
    sheet.selection_text = system.highlight_text;
    sheet.styles = {
        MakeStyle(10, system.window_text, false, false, false),
        MakeStyle(10, 0x0000FF, true, false, false),
        MakeStyle(10, 0x000080, true, false, false),
        MakeStyle(10, 0x800000, false, true, false),
        MakeStyle(10, 0x008000, false, false, true),
        MakeStyle(10, 0x008000, false, false, true),
    };
    return sheet;
}

StyleSheet DetailsStyleSheet(const SystemColours& system) {
    return SheetWithStyleZero(system, MakeStyle(9, 0x666600, true, false, false), kSkinLightColour);
}

StyleSheet TraceStyleSheet(const SystemColours& system) {
    return SheetWithStyleZero(system, MakeStyle(10, system.window_text, false, false, false), system.window);
}

void HypertextDocument::AddText(std::string_view text, int style) {
    size_t start = 0;
    size_t i = 0;
    bool ended_with_break = false;
    while (i < text.size()) {
        const char c = text[i];
        if (c != '\r' && c != '\n') {
            ++i;
            ended_with_break = false;
            continue;
        }
        paragraphs_.push_back({std::string(text.substr(start, i - start)), style});
        i += (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ? 2 : 1;
        start = i;
        ended_with_break = true;
    }
    if (!ended_with_break) paragraphs_.push_back({std::string(text.substr(start)), style});
}

void HypertextDocument::DeleteItems(size_t first, size_t count) {
    if (first >= paragraphs_.size()) return;
    count = std::min(count, paragraphs_.size() - first);
    ClearSelection();
    paragraphs_.erase(paragraphs_.begin() + static_cast<std::ptrdiff_t>(first),
                      paragraphs_.begin() + static_cast<std::ptrdiff_t>(first + count));
    // Drawn lines point into the paragraphs; none may outlive them.
    lines_.clear();
    document_height_ = 0;
    widest_line_ = 0;
    scroll_unit_ = kScrollUnitPixels;
}

size_t HypertextDocument::StyleIndex(int style, const TextMeasurer& measurer) const {
    // A style number the sheet does not have draws in style 0.
    if (style < 0 || static_cast<size_t>(style) >= measurer.StyleCount()) return 0;
    return static_cast<size_t>(style);
}

void HypertextDocument::Format(TextMeasurer& measurer, int client_width) {
    int width = std::max(client_width - settings_.left_margin - settings_.right_margin, settings_.min_text_width);
    if (settings_.max_text_width >= 1 && settings_.max_text_width < width) width = settings_.max_text_width;
    text_width_ = width;
    lines_.clear();
    widest_line_ = 0;

    bool first_line = true;
    int baseline = 0;
    int previous_descent = 0;
    const int x = 0;  // plain paragraphs hold one text item: every line starts at 0
    auto add_line = [&](size_t paragraph, size_t from, size_t length, int line_width, const FontMeasure& font) {
        baseline = first_line ? font.ascent : baseline + previous_descent + font.external_leading + font.ascent;
        first_line = false;
        previous_descent = font.descent;
        DrawnLine line;
        line.paragraph = paragraph;
        line.first = from;
        line.length = length;
        line.left = settings_.left_margin + x;
        line.top = baseline - font.ascent;
        line.width = line_width;
        line.height = font.ascent + font.descent;
        line.ascent = font.ascent;
        widest_line_ = std::max(widest_line_, line.left + line_width);
        lines_.push_back(line);
    };

    for (size_t p = 0; p < paragraphs_.size(); ++p) {
        const std::string& text = paragraphs_[p].text;
        const FontMeasure& font = measurer.Measure(StyleIndex(paragraphs_[p].style, measurer));
        if (text.empty()) {
            add_line(p, 0, 0, 0, font);
            continue;
        }
        const int room = width - x;
        size_t pos = 0;
        while (pos < text.size()) {
            size_t end = pos;
            int used = 0;
            while (end < text.size() && used + font.Width(text[end]) <= room) used += font.Width(text[end++]);
            if (end == pos) used = font.Width(text[end++]);
            if (end < text.size()) {
                size_t blank = end;
                while (blank > pos && text[blank - 1] != ' ') --blank;
                if (blank > pos) {
                    while (end > blank) used -= font.Width(text[--end]);
                }
            }
            add_line(p, pos, end - pos, used, font);
            pos = end;
        }
    }

    document_height_ = lines_.empty() ? 0 : lines_.back().top + lines_.back().height + 1;
    scroll_unit_ = kScrollUnitPixels;
    if (document_height_ / kScrollUnitPixels > kMaxScrollUnits) scroll_unit_ = document_height_ / kMaxScrollUnits;
}

int HypertextDocument::ContentWidth() const {
    return std::max(text_width_ + settings_.left_margin + settings_.right_margin,
                    widest_line_ + settings_.right_margin);
}

int HypertextDocument::MaxScrollPosition(int client_height) const {
    const int overflow = document_height_ - std::max(client_height, 0);
    if (overflow <= 0) return 0;
    return (overflow + scroll_unit_ - 1) / scroll_unit_;
}

int HypertextDocument::ScrollPositionFor(int pixels, int client_height) const {
    return std::clamp(pixels / scroll_unit_, 0, MaxScrollPosition(client_height));
}

std::pair<size_t, size_t> HypertextDocument::LinesBetween(int top, int bottom) const {
    auto first = std::partition_point(lines_.begin(), lines_.end(),
                                      [&](const DrawnLine& line) { return line.top + line.height <= top; });
    auto last = std::partition_point(first, lines_.end(), [&](const DrawnLine& line) { return line.top < bottom; });
    return {static_cast<size_t>(first - lines_.begin()), static_cast<size_t>(last - lines_.begin())};
}

TextPosition HypertextDocument::EndPosition() const {
    if (paragraphs_.empty()) return {};
    return {paragraphs_.size() - 1, paragraphs_.back().text.size()};
}

TextPosition HypertextDocument::PositionAt(TextMeasurer& measurer, int x, int y) const {
    if (lines_.empty()) return EndPosition();
    if (y < lines_.front().top) return {lines_.front().paragraph, lines_.front().first};
    const DrawnLine& last = lines_.back();
    if (y > last.top + last.height) return EndPosition();
    // The line at the pointer's height: the last one starting at or above it.
    auto after = std::partition_point(lines_.begin(), lines_.end(), [&](const DrawnLine& line) { return line.top <= y; });
    const size_t index = static_cast<size_t>(after - lines_.begin()) - 1;
    const DrawnLine& line = lines_[index];
    if (x < line.left) return {line.paragraph, line.first};
    if (x >= line.left + line.width) {
        if (index + 1 < lines_.size()) return {lines_[index + 1].paragraph, lines_[index + 1].first};
        return EndPosition();
    }
    const std::string& text = paragraphs_[line.paragraph].text;
    const FontMeasure& font = measurer.Measure(StyleIndex(paragraphs_[line.paragraph].style, measurer));
    size_t whole = 0;
    int right = line.left;
    while (whole < line.length && right + font.Width(text[line.first + whole]) <= x) right += font.Width(text[line.first + whole++]);
    return {line.paragraph, line.first + whole};
}

void HypertextDocument::StartSelection(TextPosition at) {
    selection_set_ = true;
    anchor_ = at;
    end_ = at;
}

void HypertextDocument::ExtendSelection(TextPosition to) {
    if (!selection_set_) return;
    end_ = to;
}

void HypertextDocument::ClearSelection() {
    selection_set_ = false;
    anchor_ = end_ = {};
}

bool HypertextDocument::HasSelection() const {
    return selection_set_ && anchor_ != end_;
}

std::pair<TextPosition, TextPosition> HypertextDocument::Selection() const {
    if (!HasSelection()) return {};
    return anchor_ < end_ ? std::pair{anchor_, end_} : std::pair{end_, anchor_};
}

std::pair<size_t, size_t> HypertextDocument::SelectedOnLine(size_t index) const {
    if (!HasSelection() || index >= lines_.size()) return {0, 0};
    const auto [from, to] = Selection();
    const DrawnLine& line = lines_[index];
    const TextPosition line_start{line.paragraph, line.first};
    const TextPosition line_end{line.paragraph, line.first + line.length};
    if (to <= line_start || from >= line_end) return {0, 0};
    const size_t begin = from <= line_start ? 0 : from.offset - line.first;
    const size_t end = to >= line_end ? line.length : to.offset - line.first;
    return {begin, end};
}

std::string HypertextDocument::SelectedText() const {
    if (!HasSelection() || paragraphs_.empty()) return {};
    auto [from, to] = Selection();
    const size_t last = paragraphs_.size() - 1;
    from.paragraph = std::min(from.paragraph, last);
    to.paragraph = std::min(to.paragraph, last);
    auto piece = [&](size_t p, size_t begin, size_t end) {
        const std::string& text = paragraphs_[p].text;
        begin = std::min(begin, text.size());
        end = std::min(end, text.size());
        return begin < end ? std::string_view(text).substr(begin, end - begin) : std::string_view();
    };
    if (from.paragraph == to.paragraph) return std::string(piece(from.paragraph, from.offset, to.offset));
    std::string copied(piece(from.paragraph, from.offset, std::string::npos));
    for (size_t p = from.paragraph + 1; p < to.paragraph; ++p) {
        copied += "\r\n";
        copied += paragraphs_[p].text;
    }
    copied += "\r\n";
    copied += piece(to.paragraph, 0, to.offset);
    return copied;
}

int AutoScrollUnits(int pointer_y, int client_height) {
    if (pointer_y < 0) return -pointer_y < 20 ? -1 : -10;
    const int below = pointer_y - client_height + 1;
    if (below > 0) return below < 20 ? 1 : 10;
    return 0;
}

}  // namespace veltod
