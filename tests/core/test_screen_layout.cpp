#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "core/skin/screen_layout.h"

using namespace veltod;

TEST(ScreenLayout, KeysAndTabledPositions) {
    EXPECT_EQ(ResolutionKey(1024, 768), "1024x768");
    EXPECT_EQ(LayoutLeft("FormDayNews", "1024x768"), 741);
    EXPECT_EQ(LayoutTop("FormDayNews", "1024x768"), 71);
    EXPECT_EQ(LayoutTop("HeightDayNews", "1024x768"), 667);
    EXPECT_EQ(LayoutLeft("FormCategorias", "1024x768"), 814);
    EXPECT_EQ(LayoutLeft("FormBaseDatos", "1024x768"), 814);
    EXPECT_EQ(LayoutTop("FormBaseDatos", "1024x768"), 80);
    EXPECT_EQ(LayoutLeft("FormShowDetails", "1024x768"), 20);
    EXPECT_EQ(LayoutTop("FormShowDetails", "1024x768"), 120);
    EXPECT_EQ(LayoutTop("FormBanner1", "640x480"), 392);
    EXPECT_EQ(LayoutTop("FormBanner2", "640x480"), 400);
    EXPECT_EQ(LayoutLeft("FormNetFiles", "640x480"), 283);
    EXPECT_EQ(LayoutTop("TransmitForm", "640x480"), 80);
    EXPECT_EQ(LayoutTop("FormBanner2", "1280x768"), 668);
    EXPECT_EQ(LayoutLeft("FormTreeFiles", "2304x864"), 1884);
}

TEST(ScreenLayout, FollowsTheDocumentedColumnRules) {
    for (const char* key : {"640x480", "800x600", "1024x768", "1280x1024", "1152x864", "1600x1200", "2304x864",
                            "832x624", "1280x768"}) {
        EXPECT_EQ(LayoutTop("FormNetFiles", key), 0) << key;
        EXPECT_EQ(LayoutLeft("FormBanner1", key), 0) << key;
        if (std::string(key) != "640x480") {
            EXPECT_EQ(LayoutTop("FormBanner1", key), 0) << key;
        }
    }
    EXPECT_EQ(LayoutLeft("FormBusqueda", "800x600"), 400);
    EXPECT_EQ(LayoutLeft("FormBusqueda", "832x624"), 432);
    EXPECT_EQ(LayoutLeft("FormBusqueda", "1024x768"), 482);
    // Width-following rows: 800x600 value plus (W - 800).
    for (const char* window : {"FormDayNews", "FormCategorias", "FormTreeFiles", "FormBaseDatos", "FormRemember"}) {
        const int base = LayoutLeft(window, "800x600");
        EXPECT_EQ(LayoutLeft(window, "1600x1200"), base + 800) << window;
        EXPECT_EQ(LayoutLeft(window, "832x624"), base + 32) << window;
    }
}

TEST(ScreenLayout, UnlistedResolutionUsesNearestListedOne) {
    EXPECT_EQ(NearestListedResolution("1920x1080"), "1600x1200");
    EXPECT_EQ(NearestListedResolution("1366x768"), "1280x768");
    EXPECT_EQ(NearestListedResolution("1024x768"), "1024x768");
    EXPECT_EQ(NearestListedResolution("800x800"), "832x624");
    EXPECT_EQ(NearestListedResolution("garbage"), "800x600");
    EXPECT_EQ(LayoutLeft("FormDayNews", "1366x768"), 997 + 86);  // 1280x768 moved to the right edge
    EXPECT_THROW(LayoutLeft("NoSuchWindow", "1024x768"), std::invalid_argument);
    EXPECT_THROW(LayoutLeft("HeightDayNews", "1024x768"), std::invalid_argument);
}

namespace {

struct Box {
    const char* name;
    int left, top, width, height;
};

bool Overlap(const Box& a, const Box& b) {
    return a.left < b.left + b.width && b.left < a.left + a.width && a.top < b.top + b.height &&
           b.top < a.top + a.height;
}

// Every window as the windows place themselves, with the skin's picture sizes.
std::vector<Box> Windows(const std::string& key) {
    auto l = [&](const char* w) { return int(LayoutLeft(w, key)); };
    auto t = [&](const char* w) { return int(LayoutTop(w, key)); };
    const int main_left = l("FormNetFiles") - 314;
    return {
        {"main", main_left, t("FormNetFiles"), 314, 71},
        {"banner1", l("FormBanner1"), t("FormBanner1"), 351, 60},
        {"banner2", l("FormBanner2"), t("FormBanner2"), 351, 60},
        {"message", std::max(main_left - 197, l("FormBanner1")), t("FormMensaje") + 12, 197, 26},
        {"transmit", l("TransmitForm") - 407, t("TransmitForm") + 71, 407, 103},
        {"daynews", l("FormDayNews"), t("FormDayNews"), 283, t("HeightDayNews")},
        {"week", l("FormCategorias"), t("FormCategorias"), 210, 420},
        {"database", l("FormBaseDatos"), t("FormBaseDatos"), 210, 420},
        {"files", l("FormTreeFiles"), t("FormTreeFiles"), 210, 420},
        {"search", l("FormBusqueda"), t("FormBusqueda"), 200, 40},
        {"book", l("FormRemember"), t("FormRemember"), 246, 102},
    };
}

const std::vector<std::string> kListed = {"800x600", "1024x768", "1280x1024", "1152x864",
                                          "1600x1200", "2304x864", "832x624", "1280x768"};

}  // namespace

// Any size reads like the listed layouts: the main window in the top right
// corner, every window on the work area, no two windows overlapping that no
// listed layout overlaps, and the day news and second banner as far from the
// bottom as the listed layouts put them.
TEST(ScreenLayout, ComputedLayoutsKeepTheListedLayoutsRules) {
    std::set<std::pair<std::string, std::string>> may_overlap;
    int news_margin_min = 1 << 20, news_margin_max = 0, banner_margin_min = 1 << 20, banner_margin_max = 0;
    for (const std::string& key : kListed) {
        const auto boxes = Windows(key);
        for (const Box& a : boxes)
            for (const Box& b : boxes)
                if (Overlap(a, b)) may_overlap.insert({a.name, b.name});
        const int height = std::stoi(key.substr(key.find('x') + 1));
        news_margin_min = std::min(news_margin_min, height - boxes[5].top - boxes[5].height);
        news_margin_max = std::max(news_margin_max, height - boxes[5].top - boxes[5].height);
        banner_margin_min = std::min(banner_margin_min, height - boxes[2].top - boxes[2].height);
        banner_margin_max = std::max(banner_margin_max, height - boxes[2].top - boxes[2].height);
    }
    ASSERT_FALSE(may_overlap.count({"main", "daynews"}));

    std::vector<std::pair<ScreenRect, ScreenRect>> screens;  // screen, work area
    for (int width = 800; width <= 3840; width += 64)
        for (int height = 600; height <= 2160; height += 48) screens.push_back({{0, 0, width, height}, {0, 0, width, height}});
    for (const auto& [w, h] : std::vector<std::pair<int, int>>{
             {1920, 1080}, {1366, 768}, {2560, 1440}, {3840, 2160}, {1440, 900}, {1536, 864}, {1680, 1050},
             {1920, 1200}, {2560, 1080}, {3440, 1440}, {1080, 1920}, {1024, 600}, {1280, 800}, {1600, 900}}) {
        screens.push_back({{0, 0, w, h}, {0, 0, w, h}});
        screens.push_back({{0, 0, w, h}, {0, 27, w, h - 27}});                // top bar
        screens.push_back({{1920, 0, w, h}, {1920 + 64, 0, w - 64, h - 48}});  // second monitor, dock and task bar
    }
    for (const std::string& key : kListed) {  // panels on the listed screens too
        const int w = std::stoi(key), h = std::stoi(key.substr(key.find('x') + 1));
        screens.push_back({{0, 0, w, h}, {0, 32, w, h - 32 - 40}});
    }
    for (const auto& [screen, work] : screens) {
        const std::string key = LayoutKey(screen, work);
        const bool listed = std::find(kListed.begin(), kListed.end(), ResolutionKey(screen.width, screen.height)) != kListed.end();
        const auto boxes = Windows(key);
        EXPECT_EQ(boxes[0].left + boxes[0].width, work.left + work.width) << key;
        EXPECT_EQ(boxes[0].top, work.top) << key;
        for (const Box& a : boxes) {
            EXPECT_TRUE(a.left >= work.left && a.top >= work.top && a.left + a.width <= work.left + work.width &&
                        a.top + a.height <= work.top + work.height)
                << a.name << " off the work area at " << key;
            for (const Box& b : boxes)
                EXPECT_TRUE(!Overlap(a, b) || may_overlap.count({a.name, b.name})) << a.name << " on " << b.name << " at " << key;
        }
        if (listed) continue;
        const int news_margin = work.top + work.height - boxes[5].top - boxes[5].height;
        const int banner_margin = work.top + work.height - boxes[2].top - boxes[2].height;
        EXPECT_TRUE(news_margin >= news_margin_min && news_margin <= news_margin_max) << news_margin << " at " << key;
        EXPECT_TRUE(banner_margin >= banner_margin_min && banner_margin <= banner_margin_max) << banner_margin << " at " << key;
    }
}

TEST(ScreenLayout, LayoutKeyNamesTheWorkAreaOnlyWhenItIsNotTheWholeScreen) {
    EXPECT_EQ(LayoutKey({0, 0, 1024, 768}, {0, 0, 1024, 768}), "1024x768");
    EXPECT_EQ(LayoutKey({0, 0, 1920, 1080}, {0, 27, 1920, 1053}), "1920x1080@0,27,1920x1053");
    EXPECT_EQ(LayoutKey({0, 0, 1920, 1080}, {0, 0, 0, 0}), "1920x1080");
    // The listed table is chosen by the whole screen and moved into the work area.
    EXPECT_EQ(LayoutLeft("FormDayNews", "1024x768@0,27,1024x741"), 741);
    EXPECT_EQ(LayoutTop("FormDayNews", "1024x768@0,27,1024x741"), 71 + 27);
    EXPECT_EQ(LayoutTop("HeightDayNews", "1024x768@0,27,1024x741"), 667 - 27);
    for (const char* bad : {"1024x768@", "1024x768@1,2", "1024x768@a,b,cxd", "1024x768@0,0,1024x"})
        EXPECT_EQ(LayoutLeft("FormDayNews", bad), LayoutLeft("FormDayNews", "800x600")) << bad;
}
