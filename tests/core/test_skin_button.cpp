#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "core/platform/errors.h"
#include "core/skin/skin_button.h"

namespace {

using veltod::SkinButton;

// Records every picture load; files named in `missing` fail to load.
class FakeButton : public SkinButton {
public:
    FakeButton(std::vector<std::string>& log, std::set<std::string>& missing) : log_(log), missing_(missing) {}
    void LoadPicture(const std::string& path) override {
        if (missing_.count(path)) throw veltod::FileError("File not found");
        log_.push_back(path);
        shown = path;
    }
    std::string shown;

private:
    std::vector<std::string>& log_;
    std::set<std::string>& missing_;
};

class NavigationGroup : public ::testing::Test {
protected:
    NavigationGroup() {
        for (int n : {1, 2, 3, 4, 8, 9}) {
            buttons.emplace_back(log, missing);
            buttons.back().SetSkin(veltod::kNavigationFamily, "Bot" + std::to_string(n), "uBot" + std::to_string(n));
            buttons.back().SetSkinState("ABAJO");
        }
        for (FakeButton& button : buttons) group.push_back(&button);
    }
    std::vector<std::string> log;
    std::set<std::string> missing;
    std::vector<FakeButton> buttons;
    std::vector<SkinButton*> group;
};

TEST_F(NavigationGroup, MovesInsideOneButtonLoadOnlyOnce) {
    for (int i = 0; i < 5; ++i) veltod::HoverGroup(group, 1);
    EXPECT_EQ(log, std::vector<std::string>{"uBot2"});
    EXPECT_EQ(buttons[1].SkinState(), "ARRIBA");
}

TEST_F(NavigationGroup, StraightMoveSwapsBothAndOnlyThose) {
    veltod::HoverGroup(group, 1);
    log.clear();
    veltod::HoverGroup(group, 5);
    EXPECT_EQ(log, (std::vector<std::string>{"uBot9", "Bot2"}));
    EXPECT_EQ(buttons[1].shown, "Bot2");
    EXPECT_EQ(buttons[5].shown, "uBot9");
    int hovered = 0;
    for (const FakeButton& button : buttons) hovered += button.SkinState() == "ARRIBA";
    EXPECT_EQ(hovered, 1);
}

TEST_F(NavigationGroup, ResetLoadsOnlyButtonsThatAreNotNormal) {
    veltod::HoverGroup(group, 3);
    log.clear();
    veltod::ResetSkinButtons(group);
    EXPECT_EQ(log, std::vector<std::string>{"Bot4"});
    veltod::ResetSkinButtons(group);
    EXPECT_EQ(log.size(), 1u);
    for (const FakeButton& button : buttons) EXPECT_EQ(button.SkinState(), "ABAJO");
}

TEST_F(NavigationGroup, FailedLoadKeepsTheStateOfThatButton) {
    veltod::HoverGroup(group, 0);
    missing.insert("uBot3");
    EXPECT_THROW(veltod::HoverGroup(group, 2), veltod::FileError);
    EXPECT_EQ(buttons[2].SkinState(), "ABAJO");
    EXPECT_EQ(buttons[0].SkinState(), "ARRIBA");
    EXPECT_EQ(buttons[0].shown, "uBot1");
    // A failed reset leaves the button hovered, so the next reset tries again.
    missing = {"Bot1"};
    EXPECT_THROW(veltod::ResetSkinButtons(group), veltod::FileError);
    EXPECT_EQ(buttons[0].SkinState(), "ARRIBA");
    missing.clear();
    veltod::ResetSkinButtons(group);
    EXPECT_EQ(buttons[0].shown, "Bot1");
}

TEST_F(NavigationGroup, HoverOutsideTheGroupIsIgnored) {
    veltod::HoverGroup(group, 6);
    veltod::HoverGroup({}, 0);
    EXPECT_TRUE(log.empty());
}

class ClosePair : public ::testing::Test {
protected:
    ClosePair() : close(log, missing), minimise(log, missing) {
        close.SetSkin(veltod::kCloseFamily, "x0", "x1", "x2");
        minimise.SetSkin(veltod::kCloseFamily, "-0", "-1", "-2");
    }
    std::vector<std::string> log;
    std::set<std::string> missing;
    FakeButton close;
    FakeButton minimise;
};

TEST_F(ClosePair, EmptyStartStateIsResetLikeAnyOther) {
    EXPECT_EQ(close.SkinState(), "");
    veltod::ResetSkinButtons(std::vector<SkinButton*>{&close});
    EXPECT_EQ(log, std::vector<std::string>{"x0"});
    EXPECT_EQ(close.SkinState(), "abajo");
}

TEST_F(ClosePair, HoverResetsThePartner) {
    veltod::CloseButtonMove(minimise, &close);
    veltod::CloseButtonMove(minimise, &close);
    veltod::CloseButtonMove(close, &minimise);
    EXPECT_EQ(log, (std::vector<std::string>{"-1", "x0", "x1", "-0"}));
    EXPECT_EQ(close.SkinState(), "arriba");
    EXPECT_EQ(minimise.SkinState(), "abajo");
}

TEST_F(ClosePair, PressKeepsStateReleaseReturnsToNormal) {
    veltod::CloseButtonMove(close, nullptr);
    veltod::CloseButtonDown(close);
    EXPECT_EQ(close.shown, "x2");
    EXPECT_EQ(close.SkinState(), "arriba");
    veltod::CloseButtonUp(close);
    EXPECT_EQ(close.shown, "x0");
    EXPECT_EQ(close.SkinState(), "abajo");
    // Hovering again after the release swaps to the hover picture again.
    veltod::CloseButtonMove(close, nullptr);
    EXPECT_EQ(close.shown, "x1");
}

}  // namespace
