#include <gtest/gtest.h>

#include "skin/screen_layout.h"

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
    EXPECT_EQ(LayoutLeft("FormDayNews", "1366x768"), 997);
    EXPECT_THROW(LayoutLeft("NoSuchWindow", "1024x768"), std::invalid_argument);
    EXPECT_THROW(LayoutLeft("HeightDayNews", "1024x768"), std::invalid_argument);
}
