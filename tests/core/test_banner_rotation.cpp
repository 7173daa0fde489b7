#include <gtest/gtest.h>

#include <climits>

#include "core/platform/errors.h"
#include "core/sponsors/banner_rotation.h"
#include "support/fake_seams.h"
#include "support/temp_dir.h"

using veltod::BannerRotation;
using veltod::BannerView;

namespace {

class RecordingView : public BannerView {
public:
    void PlaceAtFirstActivation() override { ++placed; }
    void MoveOffScreen() override {
        ++moved_off;
        off_screen = true;
    }
    void SetTimerInterval(int32_t milliseconds) override { interval = milliseconds; }
    void ShowPicture(const std::string& path) override {
        shown.push_back(path);
        off_screen = false;
    }

    int placed = 0;
    int moved_off = 0;
    bool off_screen = false;
    int32_t interval = 20000;
    std::vector<std::string> shown;
};

// A banner list in file order (oldest first), five fields a record.
std::string BanFile(const std::vector<std::pair<std::string, std::string>>& pictures_and_units) {
    std::string bytes = "5\r\n";
    for (const auto& [picture, units] : pictures_and_units)
        bytes += picture + "\r\nhttps://example.org/" + picture + "\r\nTitle " + picture + "\r\n\r\n" + units + "\r\n";
    return bytes;
}

class BannerRotationTest : public ::testing::Test {
protected:
    void WriteList(const std::string& bytes) { install.Write("Def/Ban1.ban", bytes); }
    void Picture(const std::string& name) { install.Write("Def/" + name, "GIF89a"); }
    std::vector<std::string> ShownAfterTicks(int ticks) {
        for (int i = 0; i < ticks; ++i) rotation.Tick();
        return view.shown;
    }

    veltod::test::ScratchInstallation install;
    veltod::test::SeamsGuard seams;
    RecordingView view;
    BannerRotation rotation{view, "../Def/Ban1.ban"};
};

TEST_F(BannerRotationTest, OneRecordIsShownForEverWithItsDisplayTime) {
    WriteList(BanFile({{"only.gif", "2"}}));
    Picture("only.gif");
    rotation.FirstActivation();
    EXPECT_EQ(view.placed, 1);
    EXPECT_EQ(view.interval, 40000);
    EXPECT_EQ(ShownAfterTicks(3), std::vector<std::string>(4, "../Def/only.gif"));
    EXPECT_FALSE(view.off_screen);
}

TEST_F(BannerRotationTest, TwoRecordsShowOnlyTheFilesLastAndThreeAlternateTheLastTwo) {
    WriteList(BanFile({{"first.gif", "1"}, {"last.gif", "1"}}));
    Picture("first.gif");
    Picture("last.gif");
    rotation.FirstActivation();
    EXPECT_EQ(ShownAfterTicks(3), std::vector<std::string>(4, "../Def/last.gif"));

    RecordingView view3;
    BannerRotation three(view3, "../Def/Ban5.ban");
    install.Write("Def/Ban5.ban", BanFile({{"a.gif", "1"}, {"b.gif", "1"}, {"c.gif", "1"}}));
    for (const char* name : {"a.gif", "b.gif", "c.gif"}) Picture(name);
    three.FirstActivation();
    for (int i = 0; i < 3; ++i) three.Tick();
    EXPECT_EQ(view3.shown, (std::vector<std::string>{"../Def/c.gif", "../Def/b.gif", "../Def/c.gif", "../Def/b.gif"}));
}

TEST_F(BannerRotationTest, AdvanceRuleWrapsOnReachingTheHighestIndex) {
    WriteList(BanFile({{"a.gif", "1"}, {"b.gif", "1"}, {"c.gif", "1"}, {"d.gif", "1"}}));
    Picture("a.gif");
    // Only the file's first record has a picture, and the rule never reaches
    // it in a list of more than one: the window stops.
    rotation.FirstActivation();
    EXPECT_TRUE(rotation.Stopped());
    EXPECT_EQ(rotation.SkippedCount(), 4);
    std::vector<int32_t> indexes;
    rotation.SetCurrentIndex(-1);
    for (int i = 0; i < 7; ++i) {
        rotation.Advance();
        indexes.push_back(rotation.CurrentIndex());
    }
    EXPECT_EQ(indexes, (std::vector<int32_t>{0, 1, 2, 0, 1, 2, 0}));
}

TEST_F(BannerRotationTest, MissingPicturesAreSkippedAndCounted) {
    WriteList(BanFile({{"a.gif", "1"}, {"b.gif", "4"}, {"c.gif", "1"}}));
    Picture("b.gif");  // c.gif (index 0) is missing
    rotation.FirstActivation();
    EXPECT_EQ(view.shown, std::vector<std::string>{"../Def/b.gif"});
    EXPECT_EQ(rotation.SkippedCount(), 1);
    EXPECT_EQ(view.interval, 80000);
    rotation.Tick();
    EXPECT_EQ(view.shown.back(), "../Def/b.gif");
    EXPECT_FALSE(rotation.Stopped());
}

TEST_F(BannerRotationTest, AllPicturesMissingStopsOffScreenAfterOneTickForGood) {
    WriteList(BanFile({{"a.gif", "1"}, {"b.gif", "1"}, {"c.gif", "1"}}));
    rotation.FirstActivation();
    EXPECT_TRUE(rotation.Stopped());
    EXPECT_TRUE(view.off_screen);
    EXPECT_EQ(view.moved_off, 1);
    EXPECT_TRUE(view.shown.empty());
    // Pictures appearing later do not bring the window back during the run.
    for (const char* name : {"a.gif", "b.gif", "c.gif"}) Picture(name);
    EXPECT_FALSE(rotation.Tick());
    EXPECT_FALSE(rotation.Tick());
    EXPECT_TRUE(view.shown.empty());
    EXPECT_TRUE(view.off_screen);
}

TEST_F(BannerRotationTest, ListWithoutRecordsOrWithoutFileStopsAtTheFirstTick) {
    WriteList("5\r\n");
    rotation.FirstActivation();
    EXPECT_TRUE(rotation.Stopped());
    EXPECT_TRUE(view.off_screen);
    EXPECT_FALSE(rotation.OpenCurrent());
    EXPECT_FALSE(rotation.RememberCurrent("../Resources/Remember.cat"));
    rotation.Tick();
    EXPECT_EQ(view.moved_off, 2);  // an empty list moves it away again each time

    RecordingView missing_view;
    BannerRotation missing(missing_view, "../Def/Nothing.ban");
    EXPECT_THROW(missing.FirstActivation(), veltod::FileError);
    EXPECT_TRUE(missing.Activated());
    EXPECT_NO_THROW(missing.FirstActivation());  // the list is not read again
    EXPECT_FALSE(missing.Tick());
    EXPECT_TRUE(missing_view.off_screen);
}

TEST_F(BannerRotationTest, TickBeforeActivationDoesNotKeepTheWindowStopped) {
    WriteList(BanFile({{"a.gif", "1"}}));
    Picture("a.gif");
    EXPECT_FALSE(rotation.Tick());  // the timer runs from creation
    EXPECT_TRUE(rotation.Stopped());
    rotation.FirstActivation();
    EXPECT_FALSE(rotation.Stopped());
    EXPECT_EQ(view.shown, std::vector<std::string>{"../Def/a.gif"});
}

TEST_F(BannerRotationTest, DisplayTimeInUnitsOfTwentySeconds) {
    WriteList(BanFile({{"a.gif", "3"}}));
    Picture("a.gif");
    rotation.FirstActivation();
    EXPECT_EQ(view.interval, 60000);

    // Too narrow a list has no display time: one unit each.
    RecordingView narrow_view;
    BannerRotation narrow(narrow_view, "../Def/Narrow.ban");
    install.Write("Def/Narrow.ban", "3\r\na.gif\r\nhttps://example.org/\r\nTitle\r\n");
    narrow_view.interval = 1;
    narrow.FirstActivation();
    EXPECT_EQ(narrow_view.interval, 20000);
    EXPECT_EQ(narrow_view.shown.size(), 1u);
}

TEST_F(BannerRotationTest, DisplayTimeOutOfRangeIsBroughtIntoRange) {
    WriteList(BanFile({{"a.gif", "0"}, {"b.gif", "-4"}, {"c.gif", " 999999"}}));
    rotation.FirstActivation();  // pictures missing: only the list matters here
    EXPECT_EQ(rotation.DisplayTime(2), 20000);
    EXPECT_EQ(rotation.DisplayTime(1), 20000);
    EXPECT_EQ(rotation.DisplayTime(0), INT32_MAX);
}

TEST_F(BannerRotationTest, BadDisplayTimeFailsThatTickOnlyAndKeepsTheInterval) {
    WriteList(BanFile({{"a.gif", "2"}, {"b.gif", "x"}, {"c.gif", "5"}}));
    for (const char* name : {"a.gif", "b.gif", "c.gif"}) Picture(name);
    rotation.FirstActivation();
    EXPECT_EQ(view.interval, 100000);
    try {
        rotation.Tick();
        FAIL() << "a display time of x must raise";
    } catch (const veltod::ConvertError& error) {
        EXPECT_STREQ(error.what(), "'x' is not a valid integer value");
    }
    EXPECT_EQ(view.interval, 100000);
    EXPECT_EQ(view.shown.size(), 1u);
    rotation.Tick();
    EXPECT_EQ(view.shown.back(), "../Def/c.gif");
}

TEST_F(BannerRotationTest, ClickOpensTheLinkAndRememberAppendsLinkAndTitle) {
    WriteList(BanFile({{"a.gif", "1"}, {"b.gif", "1"}, {"c.gif", "1"}}));
    for (const char* name : {"a.gif", "b.gif", "c.gif"}) Picture(name);
    EXPECT_FALSE(rotation.OpenCurrent());  // nothing shown yet
    rotation.FirstActivation();
    rotation.Tick();
    EXPECT_TRUE(rotation.OpenCurrent());
    EXPECT_EQ(seams.shell.opened, std::vector<std::string>{"https://example.org/b.gif"});

    install.Write("Resources/Remember.cat", "2\r\n");
    EXPECT_TRUE(rotation.RememberCurrent("../Resources/Remember.cat"));
    EXPECT_EQ(install.Read("Resources/Remember.cat"), "2\r\nhttps://example.org/b.gif\r\nTitle b.gif\r\n");
    EXPECT_EQ(view.shown.back(), "../Def/b.gif");  // the banner itself does not change
}

TEST_F(BannerRotationTest, RememberWithoutTheBookFailsAndCreatesNothing) {
    WriteList(BanFile({{"a.gif", "1"}}));
    Picture("a.gif");
    rotation.FirstActivation();
    try {
        rotation.RememberCurrent("../Resources/Remember.cat");
        FAIL() << "a missing book must raise";
    } catch (const veltod::FileError& error) {
        EXPECT_STREQ(error.what(), "File not found");
    }
    EXPECT_FALSE(std::filesystem::exists(install.Path("Resources/Remember.cat")));
}

}  // namespace
