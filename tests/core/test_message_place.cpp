#include <gtest/gtest.h>

#include "core/skin/screen_layout.h"
#include "core/sponsors/message_place.h"

namespace {

veltod::WindowPlace PlaceAt(const char* key, int main_width, int main_height, int own_width) {
    return veltod::MessageWindowPlace(veltod::LayoutLeft("FormMensaje", key), veltod::LayoutTop("FormMensaje", key),
                                      main_width, main_height, own_width);
}

TEST(MessageWindowPlace, StandsJustLeftOfTheMainWindow) {
    const veltod::WindowPlace at1024 = PlaceAt("1024x768", 314, 71, 197);
    EXPECT_EQ(at1024.left, 513);
    EXPECT_EQ(at1024.top, 12);
    const veltod::WindowPlace at1280 = PlaceAt("1280x1024", 314, 71, 197);
    EXPECT_EQ(at1280.left, 1280 - 314 - 197);
    EXPECT_EQ(at1280.top, 12);
}

TEST(MessageWindowPlace, GoesBelowTheMainWindowWhenItWouldLeaveTheScreen) {
    const veltod::WindowPlace at640 = PlaceAt("640x480", 314, 71, 197);
    EXPECT_EQ(at640.left, 0);
    EXPECT_EQ(at640.top, 74);
    // Exactly at the edge still fits; one pixel more does not.
    EXPECT_EQ(veltod::MessageWindowPlace(511, 0, 314, 71, 197).left, 0);
    EXPECT_EQ(veltod::MessageWindowPlace(511, 0, 314, 71, 197).top, 12);
    EXPECT_EQ(veltod::MessageWindowPlace(510, 0, 314, 71, 197).top, 74);
}

}  // namespace
