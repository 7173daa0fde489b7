#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/hypertext/hypertext_document.h"

namespace veltod {
namespace {

// Style 0: every character 6 px, ascent 10, descent 3, leading 2.
// Style 1: every character 8 px, ascent 14, descent 4, leading 1.
class FixedMeasurer : public TextMeasurer {
public:
    FixedMeasurer() {
        fonts_[0] = Make(6, 10, 3, 2);
        fonts_[1] = Make(8, 14, 4, 1);
    }
    const FontMeasure& Measure(size_t style) override { return fonts_[style]; }
    size_t StyleCount() const override { return 2; }

private:
    static FontMeasure Make(int width, int ascent, int descent, int leading) {
        FontMeasure font;
        font.widths.fill(width);
        font.ascent = ascent;
        font.descent = descent;
        font.external_leading = leading;
        return font;
    }
    FontMeasure fonts_[2];
};

std::vector<std::string> Texts(const HypertextDocument& document) {
    std::vector<std::string> texts;
    for (const auto& paragraph : document.Paragraphs()) texts.push_back(paragraph.text);
    return texts;
}

std::vector<std::string> LineTexts(const HypertextDocument& document) {
    std::vector<std::string> texts;
    for (const auto& line : document.Lines())
        texts.push_back(document.Paragraphs()[line.paragraph].text.substr(line.first, line.length));
    return texts;
}

using Strings = std::vector<std::string>;

TEST(HypertextAddText, LineBreaksCutParagraphs) {
    HypertextDocument document;
    document.AddText("a\r\n\r\nb", 0);
    EXPECT_EQ(Texts(document), (Strings{"a", "", "b"}));

    HypertextDocument mixed;
    mixed.AddText("one\rtwo\nthree\n\rfour", 2);
    EXPECT_EQ(Texts(mixed), (Strings{"one", "two", "three", "", "four"}));
    for (const auto& paragraph : mixed.Paragraphs()) EXPECT_EQ(paragraph.style, 2);
}

TEST(HypertextAddText, TrailingBreakAndEmptyText) {
    HypertextDocument document;
    document.AddText("line\r\n", 0);
    EXPECT_EQ(Texts(document), (Strings{"line"}));
    document.AddText("", 1);
    EXPECT_EQ(Texts(document), (Strings{"line", ""}));
    document.AddText("\n", 0);
    EXPECT_EQ(Texts(document), (Strings{"line", "", ""}));
    document.AddText("end\r", 0);
    EXPECT_EQ(Texts(document), (Strings{"line", "", "", "end"}));
}

TEST(HypertextDeleteItems, BoundsAreCutAndNothingStaleRemains) {
    FixedMeasurer measurer;
    HypertextDocument empty;
    empty.DeleteItems(0, empty.ItemCount());
    empty.DeleteItems(0, 5);
    EXPECT_EQ(empty.ItemCount(), 0u);

    HypertextDocument document;
    document.AddText("a\nb\nc\nd", 0);
    document.Format(measurer, 200);
    document.StartSelection({0, 0});
    document.ExtendSelection({2, 1});
    document.DeleteItems(4, 1);  // first index past the end: nothing at all
    EXPECT_EQ(document.ItemCount(), 4u);
    EXPECT_TRUE(document.HasSelection());

    document.DeleteItems(2, 100);
    EXPECT_EQ(Texts(document), (Strings{"a", "b"}));
    EXPECT_FALSE(document.HasSelection());
    EXPECT_EQ(document.SelectedText(), "");
    // Lines drawn from removed paragraphs are gone until the next format.
    EXPECT_TRUE(document.Lines().empty());
    document.Format(measurer, 200);
    EXPECT_EQ(LineTexts(document), (Strings{"a", "b"}));
}

TEST(HypertextFormat, WrapsAfterTheLastBlankThatFits) {
    FixedMeasurer measurer;
    HypertextDocument document;
    document.AddText("hello world foo", 0);
    // Client 70 px: text width 60, ten characters per line.
    document.Format(measurer, 70);
    EXPECT_EQ(document.TextWidth(), 60);
    EXPECT_EQ(LineTexts(document), (Strings{"hello ", "world foo"}));
    for (const auto& line : document.Lines()) EXPECT_EQ(line.left, 5);
    EXPECT_EQ(document.Lines()[0].width, 36);
}

TEST(HypertextFormat, CutsWordsWiderThanTheView) {
    FixedMeasurer measurer;
    HypertextDocument document;
    document.AddText("abcdefghijkl xyz", 0);
    document.Format(measurer, 40);  // five characters per line
    EXPECT_EQ(LineTexts(document), (Strings{"abcde", "fghij", "kl ", "xyz"}));
}

TEST(HypertextFormat, ViewNarrowerThanOneCharacterShowsOnePerLine) {
    FixedMeasurer measurer;
    HypertextDocument document;
    document.AddText("ab c", 0);
    document.Format(measurer, 12);  // text width 2
    EXPECT_EQ(LineTexts(document), (Strings{"a", "b", " ", "c"}));
    document.Format(measurer, 0);  // negative room still makes progress
    EXPECT_EQ(document.Lines().size(), 4u);
    EXPECT_GT(document.ContentWidth(), 0);
}

TEST(HypertextFormat, LinePitchAndDocumentHeightFollowTheFonts) {
    FixedMeasurer measurer;
    HypertextDocument document;
    document.AddText("first", 0);
    document.AddText("", 0);
    document.AddText("big", 1);
    document.AddText("small", 0);
    document.Format(measurer, 300);
    const auto& lines = document.Lines();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0].top, 0);
    // Same style: pitch = height (13) + leading (2).
    EXPECT_EQ(lines[1].top, 15);
    // Baseline 25 + descent 3 + leading 1 + ascent 14 = 43, top 29.
    EXPECT_EQ(lines[2].top, 29);
    // Baseline 43 + descent 4 + leading 2 + ascent 10 = 59, top 49.
    EXPECT_EQ(lines[3].top, 49);
    EXPECT_EQ(document.DocumentHeight(), 49 + 13 + 1);
}

TEST(HypertextFormat, UnknownStyleNumbersDrawInStyleZero) {
    FixedMeasurer measurer;
    HypertextDocument document;
    document.AddText("abc", 7);
    document.AddText("abc", -3);
    document.Format(measurer, 300);
    ASSERT_EQ(document.Lines().size(), 2u);
    EXPECT_EQ(document.Lines()[0].width, 18);
    EXPECT_EQ(document.Lines()[1].height, 13);
}

TEST(HypertextScroll, UnitGrowsForVeryTallDocuments) {
    FixedMeasurer measurer;
    HypertextDocument small;
    small.AddText("a\nb\nc", 0);
    small.Format(measurer, 100);
    EXPECT_EQ(small.ScrollUnit(), 10);
    EXPECT_EQ(small.MaxScrollPosition(100), 0);

    HypertextDocument tall;
    std::string text;
    for (int i = 0; i < 25000; ++i) text += "x\n";
    tall.AddText(text, 0);
    tall.Format(measurer, 100);
    // 25000 lines 15 px apart, the last 13 high, plus 1.
    const int height = 24999 * 15 + 13 + 1;
    EXPECT_EQ(tall.DocumentHeight(), height);
    EXPECT_EQ(tall.ScrollUnit(), 12);
    EXPECT_EQ(tall.VerticalRange(), height / 12);
    EXPECT_EQ(tall.MaxScrollPosition(100), (height - 100 + 11) / 12);
}

TEST(HypertextScroll, ScrollPositionsReachTheEndAndNoFurther) {
    FixedMeasurer measurer;
    HypertextDocument document;
    std::string text;
    for (int i = 0; i < 20; ++i) text += "line\n";
    document.AddText(text, 0);
    document.Format(measurer, 100);
    const int height = document.DocumentHeight();  // 19 * 15 + 14 = 299
    EXPECT_EQ(height, 299);
    EXPECT_EQ(document.MaxScrollPosition(100), 20);  // 20 units = 200 px: 200..300 shows 299
    EXPECT_EQ(document.MaxScrollPosition(299), 0);   // exactly fits: no scrolling
    EXPECT_EQ(document.MaxScrollPosition(298), 1);
    EXPECT_EQ(document.ScrollPositionFor(30000, 100), 20);
    EXPECT_EQ(document.ScrollPositionFor(55, 100), 5);
    EXPECT_EQ(document.ScrollPositionFor(-40, 100), 0);
}

TEST(HypertextScroll, VisibleLinesOfABand) {
    FixedMeasurer measurer;
    HypertextDocument document;
    document.AddText("a\nb\nc\nd\ne", 0);
    document.Format(measurer, 100);  // tops 0, 15, 30, 45, 60
    EXPECT_EQ(document.LinesBetween(0, 15), (std::pair<size_t, size_t>{0, 1}));
    EXPECT_EQ(document.LinesBetween(14, 31), (std::pair<size_t, size_t>{1, 3}));
    EXPECT_EQ(document.LinesBetween(100, 200), (std::pair<size_t, size_t>{5, 5}));
}

class HypertextSelection : public ::testing::Test {
protected:
    void SetUp() override {
        // "hello " / "world" in paragraph 0, "second" in paragraph 1.
        document.AddText("hello world\nsecond", 0);
        document.Format(measurer, 70);
        ASSERT_EQ(LineTexts(document), (Strings{"hello ", "world", "second"}));
    }
    FixedMeasurer measurer;
    HypertextDocument document;
};

TEST_F(HypertextSelection, PointsMapToTheCharacterUnderThePointer) {
    // Line 0: left 5, characters every 6 px.
    EXPECT_EQ(document.PositionAt(measurer, 5, 3), (TextPosition{0, 0}));
    EXPECT_EQ(document.PositionAt(measurer, 10, 3), (TextPosition{0, 0}));
    EXPECT_EQ(document.PositionAt(measurer, 11, 3), (TextPosition{0, 1}));
    EXPECT_EQ(document.PositionAt(measurer, 22, 3), (TextPosition{0, 2}));
    // Left of the text: start of its line; right of it: start of the next line.
    EXPECT_EQ(document.PositionAt(measurer, 0, 18), (TextPosition{0, 6}));
    EXPECT_EQ(document.PositionAt(measurer, 200, 3), (TextPosition{0, 6}));
    EXPECT_EQ(document.PositionAt(measurer, 200, 18), (TextPosition{1, 0}));
    // Above everything: first line's start; below or right of the last line:
    // behind the last character.
    EXPECT_EQ(document.PositionAt(measurer, 30, -50), (TextPosition{0, 0}));
    EXPECT_EQ(document.PositionAt(measurer, 30, 500), (TextPosition{1, 6}));
    EXPECT_EQ(document.PositionAt(measurer, 300, 33), (TextPosition{1, 6}));
    // The leading between lines belongs to the line above.
    EXPECT_EQ(document.PositionAt(measurer, 11, 14), (TextPosition{0, 1}));
}

TEST_F(HypertextSelection, SelectedTextJoinsParagraphsWithCrLf) {
    EXPECT_FALSE(document.HasSelection());
    document.StartSelection({0, 3});
    EXPECT_FALSE(document.HasSelection());
    document.ExtendSelection({1, 3});
    EXPECT_EQ(document.SelectedText(), "lo world\r\nsec");
    // Dragged backwards: the same text.
    document.StartSelection({1, 3});
    document.ExtendSelection({0, 3});
    EXPECT_EQ(document.SelectedText(), "lo world\r\nsec");
    document.StartSelection({0, 7});
    document.ExtendSelection({0, 10});
    EXPECT_EQ(document.SelectedText(), "orl");
    document.ExtendSelection({0, 7});
    EXPECT_FALSE(document.HasSelection());
    EXPECT_EQ(document.SelectedText(), "");
}

TEST_F(HypertextSelection, MiddleParagraphsAreCopiedWhole) {
    HypertextDocument three;
    three.AddText("one\n\nthree\nfour", 0);
    three.StartSelection({0, 1});
    three.ExtendSelection({3, 2});
    EXPECT_EQ(three.SelectedText(), "ne\r\n\r\nthree\r\nfo");
}

TEST_F(HypertextSelection, SelectionIsSplitOverTheDrawnLines) {
    document.StartSelection({0, 2});
    document.ExtendSelection({1, 1});
    EXPECT_EQ(document.SelectedOnLine(0), (std::pair<size_t, size_t>{2, 6}));
    EXPECT_EQ(document.SelectedOnLine(1), (std::pair<size_t, size_t>{0, 5}));
    EXPECT_EQ(document.SelectedOnLine(2), (std::pair<size_t, size_t>{0, 1}));
    EXPECT_EQ(document.SelectedOnLine(9), (std::pair<size_t, size_t>{0, 0}));
}

TEST(HypertextAutoScroll, StepGrowsTwentyPixelsOutside) {
    EXPECT_EQ(AutoScrollUnits(0, 100), 0);
    EXPECT_EQ(AutoScrollUnits(99, 100), 0);
    EXPECT_EQ(AutoScrollUnits(-1, 100), -1);
    EXPECT_EQ(AutoScrollUnits(-19, 100), -1);
    EXPECT_EQ(AutoScrollUnits(-20, 100), -10);
    EXPECT_EQ(AutoScrollUnits(100, 100), 1);
    EXPECT_EQ(AutoScrollUnits(118, 100), 1);
    EXPECT_EQ(AutoScrollUnits(119, 100), 10);
}

TEST(HypertextStyleSheets, ConfiguredSheetsDifferOnlyInStyleZeroAndBackground) {
    SystemColours system;
    system.window = 0x111111;
    system.window_text = 0x222222;
    const StyleSheet details = DetailsStyleSheet(system);
    ASSERT_EQ(details.styles.size(), 6u);
    EXPECT_EQ(details.styles[0].colour, 0x666600u);
    EXPECT_TRUE(details.styles[0].bold);
    EXPECT_EQ(details.styles[0].size_points, 9);
    EXPECT_EQ(details.background, 0xCCCC00u);
    const StyleSheet trace = TraceStyleSheet(system);
    EXPECT_EQ(trace.styles[0].colour, 0x222222u);
    EXPECT_FALSE(trace.styles[0].bold);
    EXPECT_EQ(trace.background, 0x111111u);
    EXPECT_TRUE(trace.styles[4].underline);
    EXPECT_EQ(trace.styles[3].colour, 0x800000u);
}

}  // namespace
}  // namespace veltod
