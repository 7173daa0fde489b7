// Arbitrary text, widths and pointer positions through the viewer's document:
// nothing may crash, every character lands on exactly one drawn line, and a
// line is wider than the text width only when it holds a single character.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "core/hypertext/hypertext_document.h"

namespace {

class VariedMeasurer : public veltod::TextMeasurer {
public:
    VariedMeasurer() {
        for (int style = 0; style < 2; ++style) {
            auto& font = fonts_[style];
            font.ascent = 9 + 4 * style;
            font.descent = 3 + style;
            font.external_leading = style;
            for (int b = 0; b < 256; ++b) font.widths[b] = (b * 7 + style * 3) % 13;  // some zero widths
        }
    }
    const veltod::FontMeasure& Measure(size_t style) override { return fonts_[style]; }
    size_t StyleCount() const override { return 2; }

private:
    veltod::FontMeasure fonts_[2];
};

void CheckAt(bool condition, int line) {
    if (condition) return;
    std::fprintf(stderr, "check failed at line %d\n", line);
    std::abort();
}
#define Check(condition) CheckAt((condition), __LINE__)

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 6) return 0;
    const int client_width = data[0] * 2 - 20;
    const int style = static_cast<int8_t>(data[1]) % 4;
    const int x = data[2] * 3 - 50;
    const int y = data[3] * 5 - 50;
    const size_t cut = data[4];
    const size_t removed = data[5] % 4;
    const std::string_view text(reinterpret_cast<const char*>(data + 6), size - 6);

    VariedMeasurer measurer;
    veltod::HypertextDocument document;
    document.AddText(text.substr(0, std::min(cut, text.size())), style);
    document.AddText(text.substr(std::min(cut, text.size())), style + 1);
    document.Format(measurer, client_width);

    const auto& paragraphs = document.Paragraphs();
    std::string rebuilt;
    size_t paragraph = 0;
    for (const auto& line : document.Lines()) {
        Check(line.paragraph < paragraphs.size());
        if (line.paragraph != paragraph) {
            Check(rebuilt == paragraphs[paragraph].text);
            Check(line.paragraph == paragraph + 1);
            paragraph = line.paragraph;
            rebuilt.clear();
        }
        Check(line.first == rebuilt.size());
        Check(line.length > 0 || paragraphs[paragraph].text.empty());
        Check(line.width <= std::max(document.TextWidth(), 0) || line.length == 1);
        rebuilt += paragraphs[paragraph].text.substr(line.first, line.length);
    }
    if (!paragraphs.empty()) Check(rebuilt == paragraphs[paragraph].text);

    const veltod::TextPosition start = document.PositionAt(measurer, x, y);
    const veltod::TextPosition end = document.PositionAt(measurer, y, x);
    document.StartSelection(start);
    document.ExtendSelection(end);
    const std::string copied = document.SelectedText();
    Check(copied.size() <= text.size() + 2 * paragraphs.size());
    for (size_t i = 0; i < document.Lines().size(); ++i) {
        const auto [from, to] = document.SelectedOnLine(i);
        Check(from <= to && to <= document.Lines()[i].length);
    }
    Check(document.MaxScrollPosition(100) >= 0);
    const bool removes = removed < document.ItemCount();
    document.DeleteItems(removed, removed + 1);
    Check(!removes || document.SelectedText().empty());
    document.Format(measurer, client_width / 2);
    document.PositionAt(measurer, y, x);
    return 0;
}
