#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "core/records/line_scanner.h"

namespace {

// The line rules written the plain way, one byte at a time.
std::vector<std::string> ReferenceLines(const std::string& text) {
    std::vector<std::string> lines;
    std::string current;
    bool pending = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == 0x1A) break;
        if (c == '\r' || c == '\n') {
            lines.push_back(current);
            current.clear();
            pending = false;
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            continue;
        }
        current += c;
        pending = true;
    }
    if (pending) lines.push_back(current);
    return lines;
}

std::vector<std::string> ScannedLines(const std::string& text) {
    std::vector<std::string> lines;
    veltod::ScanLines(text.data(), text.data() + text.size(), [&](std::string_view line) { lines.emplace_back(line); });
    return lines;
}

TEST(ScanLines, MatchesThePlainRulesOnRandomTextAcrossBlockEdges) {
    std::mt19937 random(7);
    const char alphabet[] = {'a', 'b', '\r', '\n', '\r', '\n', ' ', '\xE9', 0x1A, '\0'};
    for (int round = 0; round < 3000; ++round) {
        std::string text(random() % 80, 'x');
        for (char& c : text) {
            const unsigned pick = random() % 40;
            c = pick < sizeof(alphabet) ? alphabet[pick] : 'x';
        }
        ASSERT_EQ(ScannedLines(text), ReferenceLines(text)) << "round " << round;
    }
}

TEST(ScanLines, CrLfSplitOverSixteenByteBoundaryIsOneLineEnd) {
    const std::string text = std::string(15, 'a') + "\r\n" + std::string(20, 'b') + "\r";
    EXPECT_EQ(ScannedLines(text), (std::vector<std::string>{std::string(15, 'a'), std::string(20, 'b')}));
    const std::string stop = std::string(31, 'c') + "\x1A" + "\r\nd\r\n";
    EXPECT_EQ(ScannedLines(stop), (std::vector<std::string>{std::string(31, 'c')}));
}

}  // namespace
