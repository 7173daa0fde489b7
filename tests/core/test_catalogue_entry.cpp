#include <gtest/gtest.h>

#include "core/catalogue/catalogue_entry.h"
#include "core/platform/convert.h"
#include "core/platform/errors.h"

using namespace veltod;

TEST(ColourCodes, TableAndUnknownCodesAreWhite) {
    EXPECT_EQ(ColourForCode(1), 0x000000u);
    EXPECT_EQ(ColourForCode(3), ColourForCode(5));
    EXPECT_EQ(ColourForCode(8), 0xC0C0C0u);
    EXPECT_EQ(ColourForCode(14), 0xC0C0C0u);
    EXPECT_EQ(ColourForCode(9), 0x800000u);
    EXPECT_EQ(ColourForCode(17), 0xFFFF00u);
    for (int code : {0, 16, 18, 255, -1}) EXPECT_EQ(ColourForCode(code), 0xFFFFFFu) << code;
    EXPECT_EQ(ColourForField("16"), 0xFFFFFFu);
    EXPECT_THROW(ColourForField("red"), ConvertError);
}

TEST(Platforms, OnlyLowerCaseXMarksAndPositionsPastEightAreIgnored) {
    const auto marks = DecodePlatforms("x-x");
    EXPECT_TRUE(marks[0]);
    EXPECT_FALSE(marks[1]);
    EXPECT_TRUE(marks[2]);
    for (size_t k = 3; k < 8; ++k) EXPECT_FALSE(marks[k]);
    for (bool marked : DecodePlatforms("XXXXXXXX")) EXPECT_FALSE(marked);
    const auto all = DecodePlatforms("xxxxxxxxxx");
    for (bool marked : all) EXPECT_TRUE(marked);
    for (bool marked : DecodePlatforms("")) EXPECT_FALSE(marked);
}

TEST(HoverNote, PrefixGivesColourElseWholeNoteInSkinColour) {
    const auto maroon = DecodeHoverNote("%9%Hello");
    EXPECT_EQ(maroon.text, "Hello");
    EXPECT_EQ(maroon.colour, 0x800000u);
    const auto misplaced = DecodeHoverNote("a%9%b");
    EXPECT_EQ(misplaced.text, "a%9%b");
    EXPECT_EQ(misplaced.colour, kSkinLightColour);
    EXPECT_EQ(DecodeHoverNote("%9").text, "%9");
    EXPECT_EQ(DecodeHoverNote("%1%").text, "");
    EXPECT_EQ(DecodeHoverNote("%1%").colour, 0x000000u);
}

TEST(StrToInt, AcceptsSignAndLeadingBlanksOnly) {
    EXPECT_EQ(StrToInt("42"), 42);
    EXPECT_EQ(StrToInt("  -7"), -7);
    EXPECT_EQ(StrToInt("+2147483647"), 2147483647);
    EXPECT_EQ(StrToInt("-2147483648"), INT32_MIN);
    for (const char* bad : {"", " ", "-", "4 ", "1e3", "2147483648", "0x10", "12a"}) {
        try {
            StrToInt(bad);
            ADD_FAILURE() << bad;
        } catch (const ConvertError& error) {
            EXPECT_EQ(error.what(), "'" + std::string(bad) + "' is not a valid integer value");
        }
    }
}
