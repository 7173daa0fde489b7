// A screen change while the program runs: every window moves to its place in
// the new layout, and none is left off the work area.
#include <QTest>

#include "core/skin/screen_layout.h"
#include "support/catalogue_files.h"
#include "support/window_set_fixture.h"
#include "ui/catalogue/FormCategorias.h"
#include "ui/daynews/FormDayNews.h"
#include "ui/skin/ScreenFollower.h"
#include "ui/sponsors/FormBanner1.h"
#include "ui/sponsors/FormBanner2.h"
#include "ui/sponsors/FormMensaje.h"
#include "ui/update/TransmitForm.h"

namespace {

using veltod::LayoutLeft;
using veltod::LayoutTop;

class ScreenChange : public veltod::test::WindowSetTest {};

TEST_F(ScreenChange, WindowsMoveToTheNewLayoutAndOntoTheWorkArea) {
    std::vector<std::vector<std::string>> entries(200, veltod::test::Entry("Program", "1"));
    installation.Write("Resources/today.1cat", veltod::test::EntryList(entries));
    Start();
    veltod::TScreenFollower follower(&Main());
    auto& w = *windows;
    ASSERT_EQ(Main().x() + Main().width(), 1024);
    Main().Image1Click();

    // A larger screen with a top bar: each window at its new place.
    seams.screen.Set(1920, 1080);
    seams.screen.SetDesktop({0, 27, 1920, 1053});
    follower.Check();
    const std::string key = veltod::CurrentLayoutKey();
    EXPECT_EQ(Main().x() + Main().width(), 1920);
    EXPECT_EQ(Main().y(), 27);
    EXPECT_EQ(w.FormBanner1->pos(), QPoint(LayoutLeft("FormBanner1", key), LayoutTop("FormBanner1", key)));
    EXPECT_EQ(w.FormBanner2->pos(), QPoint(LayoutLeft("FormBanner2", key), LayoutTop("FormBanner2", key)));
    EXPECT_EQ(w.FormCategorias->pos(), QPoint(LayoutLeft("FormCategorias", key), LayoutTop("FormCategorias", key)));
    // The day news page is made again for the new height.
    EXPECT_EQ(w.FormDayNews->pos(), QPoint(LayoutLeft("FormDayNews", key), LayoutTop("FormDayNews", key)));
    EXPECT_GT(w.FormDayNews->height(), LayoutTop("HeightDayNews", "1024x768"));

    // A window somewhere off the screen is pulled onto the work area of the
    // next change (a monitor unplugged); an unchanged screen moves nothing.
    w.FormBanner1->move(5000, -300);
    follower.Check();
    EXPECT_EQ(w.FormBanner1->pos(), QPoint(5000, -300));
    seams.screen.Set(1366, 768);
    follower.Check();
    EXPECT_EQ(Main().x() + Main().width(), 1366);
    EXPECT_EQ(Main().y(), 0);
    EXPECT_EQ(w.FormBanner1->pos(), QPoint(1366 - w.FormBanner1->width(), 0));
    EXPECT_EQ(w.FormBanner2->pos(), QPoint(0, LayoutTop("FormBanner2", "1366x768")));
    EXPECT_EQ(w.FormDayNews->pos(), QPoint(LayoutLeft("FormDayNews", "1366x768"), LayoutTop("FormDayNews", "1366x768")));
    EXPECT_LE(w.FormDayNews->height(), LayoutTop("HeightDayNews", "1366x768"));
}

// A monitor left of the primary one, under a top bar: the windows placed
// against the main window stand beside it there, not at the origin.
TEST_F(ScreenChange, WindowsBesideTheMainWindowFollowTheWorkAreaCorner) {
    seams.screen.Set(1920, 1080);
    seams.screen.SetDesktop({-1920, 27, 1920, 1053});
    Start();
    auto& w = *windows;
    ASSERT_EQ(Main().pos(), QPoint(-Main().width(), 27));
    w.FormMensaje->ShowWindow();
    EXPECT_EQ(w.FormMensaje->pos(), QPoint(Main().x() - w.FormMensaje->width(), 27 + 12));
    w.TransmitForm->ShowWindow();
    EXPECT_EQ(w.TransmitForm->pos(), QPoint(-w.TransmitForm->width(), 27 + Main().height()));
    EXPECT_EQ(w.FormBanner1->pos(), QPoint(-1920, 27));
}

}  // namespace
