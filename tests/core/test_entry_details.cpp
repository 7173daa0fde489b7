#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/catalogue/entry_details.h"
#include "support/fake_seams.h"

namespace veltod {
namespace {

std::vector<std::string> Entry(const std::string& name, const std::string& platforms, const std::string& buy) {
    // Name, DownloadUrl, TitleSuffix, SizeKb, DetailLineA, InfoUrl, DetailLineB,
    // Description, ColourCode, CategoryCode, EntryId, BuyUrl, Platforms, HoverNote
    return {name, "http://dl/" + name, "v1.2", "340", "Shareware $20", "http://info/" + name, "Added today",
            "A long description", "3", "17", "42", buy, platforms, "%1%note"};
}

TEST(PlatformsLine, NamesEachMarkedPositionWithItsSlash) {
    EXPECT_EQ(PlatformsLine("xx"), "For: W95/W98/");
    EXPECT_EQ(PlatformsLine(""), "For: ");
    EXPECT_EQ(PlatformsLine("xxxxxxxxx"), "For: W95/W98/W2k/WMe/WNT/WXp/Mac/Linux/");
    EXPECT_EQ(PlatformsLine("-x-----x"), "For: W98/Linux/");
    // Only a lower-case x marks a platform.
    EXPECT_EQ(PlatformsLine("X x"), "For: W2k/");
}

TEST(DetailsOfRow, TextsAndAddressesOfTheRow) {
    RecordTable table;
    table.AppendRow(Entry("Zipper", "x", "http://buy/zipper"));
    table.AppendRow(Entry("Other", "", ""));
    const auto details = DetailsOfRow(table, 0);
    ASSERT_TRUE(details);
    EXPECT_EQ(details->title, "Zipper v1.2");
    EXPECT_EQ(details->name, "Zipper");
    EXPECT_EQ(details->size, "340 Kb");
    EXPECT_EQ(details->detail_a, "Shareware $20");
    EXPECT_EQ(details->detail_b, "Added today");
    EXPECT_EQ(details->platforms, "For: W95/");
    EXPECT_EQ(details->description, "A long description");
    EXPECT_EQ(details->info_url, "http://info/Zipper");
    EXPECT_EQ(details->download_url, "http://dl/Zipper");
    EXPECT_TRUE(details->buy_visible);
    const auto other = DetailsOfRow(table, 1);
    ASSERT_TRUE(other);
    EXPECT_FALSE(other->buy_visible);
    EXPECT_FALSE(DetailsOfRow(table, 2));
}

TEST(DetailsOfRow, ShortRecordsReadAsEmptyFields) {
    RecordTable table;
    table.AppendRow({"Tiny", "http://dl/tiny"});
    const auto details = DetailsOfRow(table, 0);
    ASSERT_TRUE(details);
    EXPECT_EQ(details->title, "Tiny ");
    EXPECT_EQ(details->size, " Kb");
    EXPECT_EQ(details->platforms, "For: ");
    EXPECT_FALSE(details->buy_visible);
}

TEST(DetailsPlace, AnchorEverywhereButAt640x480) {
    EXPECT_EQ(DetailsPlace("1024x768", 300, 741, 280), (WindowPlace{461, 300}));
    EXPECT_EQ(DetailsPlace("1920x1080", 50, 100, 280), (WindowPlace{-180, 50}));
    EXPECT_EQ(DetailsPlace("640x480", 300, 741, 280), (WindowPlace{30, 105}));
    EXPECT_EQ(DetailsPlace("640x480", -7, 0, 9999), (WindowPlace{30, 105}));
}

TEST(KeepOnDesktopPlace, BottomGapAndLeftEdge) {
    const ScreenRect desktop{0, 0, 1024, 768};
    const ScreenRect day_news{741, 0, 283, 600};
    // Fits: unchanged.
    EXPECT_EQ(KeepOnDesktopPlace({100, 400, 280, 340}, desktop, day_news), (WindowPlace{100, 400}));
    // Bottom at 748 exactly: allowed; one lower is pulled up to 768 - 20 - 340.
    EXPECT_EQ(KeepOnDesktopPlace({100, 408, 280, 340}, desktop, day_news), (WindowPlace{100, 408}));
    EXPECT_EQ(KeepOnDesktopPlace({100, 409, 280, 340}, desktop, day_news), (WindowPlace{100, 408}));
    // Off the left edge: to the right of the day news window.
    EXPECT_EQ(KeepOnDesktopPlace({-20, 600, 280, 340}, desktop, day_news), (WindowPlace{1024, 408}));
    EXPECT_EQ(KeepOnDesktopPlace({0, 10, 280, 340}, desktop, day_news), (WindowPlace{0, 10}));
    // Taller than the desktop: its top stays on the desktop.
    EXPECT_EQ(KeepOnDesktopPlace({5, 100, 280, 900}, desktop, day_news), (WindowPlace{5, 0}));
    // A panel at the bottom: the work area's bottom counts.
    EXPECT_EQ(KeepOnDesktopPlace({5, 400, 280, 340}, {0, 0, 1024, 720}, day_news), (WindowPlace{5, 360}));
}

TEST(ClearOfPlace, ADetailsWindowOverTheLowerBannerMovesAboveIt) {
    const ScreenRect desktop{0, 0, 1024, 768};
    const ScreenRect banner{0, 700, 351, 60};
    struct Case {
        ScreenRect window;
        WindowPlace place;
    };
    const Case cases[] = {
        {{300, 408, 441, 340}, {300, 360}},   // row 25 at 1024x768: its corner was on the banner
        {{351, 408, 441, 340}, {351, 408}},   // beside the banner: stays
        {{300, 300, 441, 400}, {300, 300}},   // bottom on the banner's top edge: stays
        {{300, 301, 441, 400}, {300, 300}},
        {{0, 600, 441, 760}, {0, 0}},         // taller than the room above: its top stays on the desktop
    };
    for (const Case& c : cases) EXPECT_EQ(ClearOfPlace(c.window, banner, desktop), c.place) << c.window.top;
    // A banner stopped off the screen, or without a picture, is no obstacle.
    EXPECT_EQ(ClearOfPlace({300, 408, 441, 340}, {-1000, 700, 351, 60}, desktop), (WindowPlace{300, 408}));
    EXPECT_EQ(ClearOfPlace({300, 408, 441, 340}, {0, 700, 0, 0}, desktop), (WindowPlace{300, 408}));
}

TEST(HalfRoundedToEven, TiesGoToTheEvenNeighbour) {
    EXPECT_EQ(HalfRoundedToEven(10), 5);
    EXPECT_EQ(HalfRoundedToEven(51), 26);
    EXPECT_EQ(HalfRoundedToEven(49), 24);
    EXPECT_EQ(HalfRoundedToEven(1), 0);
    EXPECT_EQ(HalfRoundedToEven(3), 2);
    EXPECT_EQ(HalfRoundedToEven(-5), -2);
    EXPECT_EQ(HalfRoundedToEven(-7), -4);
}

TEST(LayOutDetails, PicturesStackAndLabelsFollowThem) {
    const PictureSize pictures[7] = {{}, {300, 200}, {300, 30}, {300, 28}, {90, 40}, {90, 40}, {60, 27}};
    const DetailsLayout layout = LayOutDetails(pictures);
    EXPECT_EQ(layout.width, 300);
    EXPECT_EQ(layout.height, 200 + 30 + 28 + 40 + 20);
    auto expect_rect = [](const ScreenRect& rect, int left, int top, int width, int height) {
        EXPECT_EQ(rect.left, left);
        EXPECT_EQ(rect.top, top);
        EXPECT_EQ(rect.width, width);
        EXPECT_EQ(rect.height, height);
    };
    expect_rect(layout.image[1], 0, 20, 300, 200);
    expect_rect(layout.image[2], 0, 220, 300, 30);
    expect_rect(layout.image[3], 0, 250, 300, 28);
    expect_rect(layout.image[4], 0, 278, 90, 40);
    expect_rect(layout.image[5], 210, 278, 90, 40);
    // (300 - 60) / 2 = 120; (40 - 27) / 2 = 6.5 rounds to 6.
    expect_rect(layout.image[6], 120, 284, 60, 27);
    expect_rect(layout.label[1], 15, 30, 270, 180);
    expect_rect(layout.viewer, 15, 30, 270, 180);
    expect_rect(layout.label[4], 15, 228, 300, 30);
    expect_rect(layout.label[5], 0, 228, 285, 30);
    expect_rect(layout.label[3], 15, 258, 300, 28);
    expect_rect(layout.label[2], 0, 258, 285, 28);
    expect_rect(layout.label[6], 0, 2, 300, 20);
    expect_rect(layout.label[7], 0, 4, 300, 20);

    const PictureSize odd[7] = {{}, {301, 200}, {301, 30}, {301, 28}, {90, 41}, {90, 41}, {60, 26}};
    // 241 / 2 = 120.5 rounds to 120; 15 / 2 = 7.5 rounds to 8.
    const DetailsLayout rounded = LayOutDetails(odd);
    expect_rect(rounded.image[6], 120, 286, 60, 26);
}

TEST(LayOutDetails, TinyPicturesGiveNoNegativeSizes) {
    const PictureSize pictures[7] = {{}, {10, 5}, {1, 1}, {1, 1}, {1, 1}, {1, 1}, {1, 1}};
    const DetailsLayout layout = LayOutDetails(pictures);
    EXPECT_EQ(layout.label[1].width, 0);
    EXPECT_EQ(layout.label[1].height, 0);
    EXPECT_EQ(layout.label[5].width, 0);
}

class FakeDetailsView : public EntryDetailsView {
public:
    ScreenRect Geometry() const override { return rect; }
    void MoveTo(int left, int top) override {
        rect.left = left;
        rect.top = top;
        calls.push_back("move");
    }
    void ShowView() override { calls.push_back("show"); }
    void ShowDetails(const EntryDetails& details) override {
        shown = details;
        calls.push_back("fill");
    }
    ScreenRect rect{0, 0, 280, 340};
    EntryDetails shown;
    std::vector<std::string> calls;
};

class ShowEntryDetailsTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetEntryDetailsView(&view);
        table.AppendRow(Entry("First", "x", ""));
        table.AppendRow(Entry("Second", "", "http://buy"));
    }
    void TearDown() override { SetEntryDetailsView(nullptr); }
    test::SeamsGuard seams;
    FakeDetailsView view;
    RecordTable table;
};

TEST_F(ShowEntryDetailsTest, PlacesBesideTheAnchorShowsAndFills) {
    seams.screen.Set(1024, 768);
    ShowEntryDetails(table, 1, 120, 604);
    EXPECT_EQ(view.calls, (std::vector<std::string>{"move", "show", "fill"}));
    EXPECT_EQ(view.rect.left, 604 - 280);
    EXPECT_EQ(view.rect.top, 120);
    EXPECT_EQ(view.shown.name, "Second");
    EXPECT_TRUE(view.shown.buy_visible);
}

TEST_F(ShowEntryDetailsTest, At640x480TheLayoutPlaceWins) {
    seams.screen.Set(640, 480);
    ShowEntryDetails(table, 0, 300, 420);
    EXPECT_EQ(view.rect.left, 30);
    EXPECT_EQ(view.rect.top, 105);
}

TEST_F(ShowEntryDetailsTest, RowsOutsideTheTableAndNoWindowDoNothing) {
    ShowEntryDetails(table, 2, 0, 0);
    ShowEntryDetails(RecordTable{}, 0, 0, 0);
    EXPECT_TRUE(view.calls.empty());
    SetEntryDetailsView(nullptr);
    ShowEntryDetails(table, 0, 0, 0);
    KeepDetailsOnDesktop({0, 0, 10, 10});
    EXPECT_TRUE(view.calls.empty());
}

TEST_F(ShowEntryDetailsTest, FromTheDayListNearTheBottomAndFarLeft) {
    seams.screen.Set(1024, 768);
    const ScreenRect day_news{200, 0, 283, 700};
    ShowEntryDetails(table, 0, 600, 200);
    KeepDetailsOnDesktop(day_news);
    EXPECT_EQ(view.rect.top + view.rect.height, 768 - 20);
    // Its left edge would be -80: it stands right of the day news window.
    EXPECT_EQ(view.rect.left, 200 + 283);
}

}  // namespace
}  // namespace veltod
