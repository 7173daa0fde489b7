#include <QAction>
#include <QListWidget>
#include <QTest>
#include <filesystem>

#include "core/skin/screen_layout.h"
#include "support/window_set_fixture.h"
#include "ui/shell/FormNetFiles.h"
#include "ui/sponsors/FormBanner1.h"
#include "ui/sponsors/FormBanner2.h"
#include "ui/sponsors/FormRemember.h"

namespace {

using veltod::LayoutLeft;
using veltod::LayoutTop;

// A banner list in file order, five fields a record.
std::string BanFile(const std::vector<std::pair<std::string, std::string>>& pictures_and_units) {
    std::string bytes = "5\r\n";
    for (const auto& [picture, units] : pictures_and_units)
        bytes += picture + "\r\nhttps://example.org/" + picture + "\r\nTitle " + picture + "\r\n\r\n" + units + "\r\n";
    return bytes;
}

class SponsorWindows : public veltod::test::WindowSetTest {
protected:
    // The day news window reads today's list when it is created.
    SponsorWindows() { installation.Write("Resources/today.1cat", "14\r\n"); }
    // What the timer does when it fires.
    static void Tick(veltod::TBannerWindow& banner) { QMetaObject::invokeMethod(banner.Timer1, "timeout"); }
    veltod::TFormBanner1& Banner1() { return *windows->FormBanner1; }
    veltod::TFormBanner2& Banner2() { return *windows->FormBanner2; }
    veltod::TFormRemember& Book() { return *windows->FormRemember; }
    std::string Shown(const veltod::TSkinImage* image) { return FileName(image->PictureFile()); }
    size_t Errors() const {
        size_t count = 0;
        for (const auto& shown : seams.dialogs.shown) count += shown.kind == "error";
        return count;
    }
    std::vector<std::string> Titles() {
        std::vector<std::string> titles;
        for (int row = 0; row < Book().ListBox1->count(); ++row)
            titles.push_back(Book().ListBox1->item(row)->text().toStdString());
        return titles;
    }
    void Select(int row) {
        Book().ListBox1->setCurrentRow(row);
        ASSERT_TRUE(Book().ListBox1->item(row)->isSelected());
    }
    void Lists(const std::string& ban1, const std::string& ban5) {
        installation.Write("Def/Ban1.ban", ban1);
        installation.Write("Def/Ban5.ban", ban5);
    }
    void Remembered(const std::string& bytes) { installation.Write("Resources/Remember.cat", bytes); }
};

const std::string kThreeLinks = "2\r\nhttp://a/\r\nA\r\nhttp://b/\r\nB\r\nhttp://c/\r\nC\r\n";

TEST_F(SponsorWindows, BannersAreCreatedOffScreenAndPlacedAtTheirFirstActivation) {
    Lists(BanFile({{"ban1a.gif", "1"}, {"ban1b.gif", "3"}}), BanFile({{"ban5a.gif", "2"}}));
    Create();
    EXPECT_EQ(Banner1().x(), -1000);
    EXPECT_EQ(Banner1().size(), QSize(351, 60));
    EXPECT_EQ(Banner1().Timer1->interval(), 20000);
    EXPECT_TRUE(Banner1().Timer1->isActive());

    Banner1().ShowWindow();
    Banner2().ShowWindow();
    EXPECT_EQ(Banner1().pos(), QPoint(LayoutLeft("FormBanner1", "1024x768"), LayoutTop("FormBanner1", "1024x768")));
    EXPECT_EQ(Banner2().pos(), QPoint(LayoutLeft("FormBanner2", "1024x768"), LayoutTop("FormBanner2", "1024x768")));
    // Two records: the file's last one, for its own display time.
    EXPECT_EQ(Shown(Banner1().Image1), "ban1b.gif");
    EXPECT_EQ(Banner1().Timer1->interval(), 60000);
    EXPECT_EQ(Banner1().size(), Banner1().Image1->size());
    EXPECT_EQ(Shown(Banner2().Image1), "ban5a.gif");
    EXPECT_EQ(Banner2().Timer1->interval(), 40000);
    EXPECT_EQ(Errors(), 0u) << LastError();
}

TEST_F(SponsorWindows, TimerShowsTheNextBannerAndTheSecondWindowKeepsItsLeft) {
    Lists(BanFile({{"ban1a.gif", "1"}}), BanFile({{"ban5a.gif", "1"}, {"ban5b.gif", "2"}, {"ban1a.gif", "1"}}));
    Create();
    seams.screen.Set(800, 600);
    Banner2().ShowWindow();
    EXPECT_EQ(Shown(Banner2().Image1), "ban1a.gif");
    Banner2().move(300, Banner2().y());
    Tick(Banner2());
    EXPECT_EQ(Shown(Banner2().Image1), "ban5b.gif");
    EXPECT_EQ(Banner2().Timer1->interval(), 40000);
    EXPECT_EQ(Banner2().pos(), QPoint(LayoutLeft("FormBanner2", "800x600"), LayoutTop("FormBanner2", "800x600")));
}

TEST_F(SponsorWindows, ClickOpensTheLinkAndRememberLinkStoresIt) {
    Lists(BanFile({{"ban1a.gif", "1"}}), BanFile({{"ban5a.gif", "1"}}));
    Remembered("2\r\n");
    Create();
    Banner1().ShowWindow();
    QTest::mouseClick(Banner1().Image1, Qt::LeftButton);
    EXPECT_EQ(seams.shell.opened, std::vector<std::string>{"https://example.org/ban1a.gif"});
    EXPECT_EQ(Shown(Banner1().Image1), "ban1a.gif");

    EXPECT_EQ(Banner1().RememberLink1->text(), "Remember Link");
    EXPECT_EQ(Banner1().PopupMenu1->defaultAction(), Banner1().RememberLink1);
    EXPECT_EQ(Banner1().Image1->contextMenuPolicy(), Qt::CustomContextMenu);
    EXPECT_EQ(Banner1().Image1->toolTip(), "Please Visit Our Sponsors. Is the only way to bring you this service.");
    Banner1().RememberLink1->trigger();
    EXPECT_EQ(installation.Read("Resources/Remember.cat"), "2\r\nhttps://example.org/ban1a.gif\r\nTitle ban1a.gif\r\n");

    // The book shows it at its next activation.
    Book().ShowWindow();
    EXPECT_EQ(Titles(), std::vector<std::string>{"Title ban1a.gif"});
}

TEST_F(SponsorWindows, RememberWithoutTheBookReportsAndCreatesNothing) {
    Lists(BanFile({{"ban1a.gif", "1"}}), BanFile({{"ban5a.gif", "1"}}));
    Create();
    Banner1().ShowWindow();
    Banner1().RememberLink1->trigger();
    ASSERT_EQ(Errors(), 1u);
    EXPECT_EQ(LastError(), "File not found");
    EXPECT_FALSE(std::filesystem::exists(installation.Path("Resources/Remember.cat")));
}

TEST_F(SponsorWindows, BadListsReportOrStopTheWindowOffScreen) {
    // Missing pictures everywhere: off the screen after one tick.
    Lists(BanFile({{"gone1.gif", "1"}, {"gone2.gif", "1"}}), BanFile({{"ban5a.gif", "1"}, {"ban5b.gif", "x"}}));
    Create();
    Banner1().ShowWindow();
    EXPECT_EQ(Banner1().x(), -1000);
    EXPECT_TRUE(Banner1().Rotation().Stopped());

    // A display time that is not a number: error box, picture and interval kept.
    std::filesystem::remove(installation.Path("Def/Ban5.ban"));
    Banner2().ShowWindow();
    EXPECT_EQ(LastError(), "File not found");
    Tick(Banner2());
    EXPECT_EQ(Banner2().x(), -1000);

    installation.Write("Def/Ban5.ban", BanFile({{"ban5a.gif", "1"}, {"ban5b.gif", "x"}, {"ban1a.gif", "2"}}));
    windows.reset();
    Create();
    Banner2().ShowWindow();
    EXPECT_EQ(Shown(Banner2().Image1), "ban1a.gif");
    Tick(Banner2());
    EXPECT_EQ(LastError(), "'x' is not a valid integer value");
    EXPECT_EQ(Shown(Banner2().Image1), "ban1a.gif");
    EXPECT_EQ(Banner2().Timer1->interval(), 40000);
}

TEST_F(SponsorWindows, MainWindowStartShowsBothBannersEvenWhenOneListIsMissing) {
    installation.Write("Def/Ban5.ban", BanFile({{"ban5a.gif", "1"}, {"ban5b.gif", "1"}}));
    std::filesystem::remove(installation.Path("Def/Ban1.ban"));
    Remembered(kThreeLinks);
    Start();
    EXPECT_EQ(LastError(), "File not found");  // Ban1.ban
    EXPECT_TRUE(Banner2().isVisible());
    EXPECT_EQ(Shown(Banner2().Image1), "ban5b.gif");

    Main().LinksMemory1->trigger();
    EXPECT_TRUE(Book().isVisible());
    EXPECT_EQ(Titles(), (std::vector<std::string>{"C", "B", "A"}));
}

TEST_F(SponsorWindows, BookListsNewestFirstAndReloadsAtEveryActivation) {
    Remembered(kThreeLinks);
    Create();
    EXPECT_EQ(Book().size(), QSize(246, 102));
    EXPECT_EQ(Book().pos(), QPoint(LayoutLeft("FormRemember", "1024x768"), LayoutTop("FormRemember", "1024x768")));
    EXPECT_EQ(Book().Image1->pos(), QPoint(246 - Book().Image1->width() - 20, 0));
    EXPECT_EQ(Book().ListBox1->geometry(), QRect(0, 16, 246, 86));
    EXPECT_EQ(Book().Label1->text(), "SELECTED LINKS MEMORY BOOK");
    Book().ShowWindow();
    EXPECT_EQ(Titles(), (std::vector<std::string>{"C", "B", "A"}));

    Remembered(kThreeLinks + "http://d/\r\nD\r\n");
    Book().hide();
    Book().ShowWindow();
    EXPECT_EQ(Titles(), (std::vector<std::string>{"D", "C", "B", "A"}));

    // A missing book: error box, the list keeps what it showed.
    std::filesystem::remove(installation.Path("Resources/Remember.cat"));
    Book().hide();
    Book().ShowWindow();
    EXPECT_EQ(LastError(), "File not found");
    EXPECT_EQ(Titles(), (std::vector<std::string>{"D", "C", "B", "A"}));
}

TEST_F(SponsorWindows, DeleteAsksAndRewritesOnlyOnYes) {
    Remembered(kThreeLinks);
    Create();
    Book().ShowWindow();
    Select(0);
    seams.dialogs.answers = {false};
    Book().Delete1->trigger();
    ASSERT_EQ(seams.dialogs.shown.size(), 1u);
    EXPECT_EQ(seams.dialogs.shown[0].kind, "confirm");
    EXPECT_EQ(seams.dialogs.shown[0].text, "Sure to delete the: C - LINK?");
    EXPECT_EQ(installation.Read("Resources/Remember.cat"), kThreeLinks);

    Select(0);
    Book().Delete1->trigger();
    EXPECT_EQ(installation.Read("Resources/Remember.cat"), "2\r\nhttp://a/\r\nA\r\nhttp://b/\r\nB\r\n");
    EXPECT_EQ(Titles(), (std::vector<std::string>{"B", "A"}));

    Book().ListClear1->trigger();
    EXPECT_EQ(seams.dialogs.shown.back().text, "Sure to delete all the PENDING LINKS?");
    EXPECT_EQ(installation.Read("Resources/Remember.cat"), "2\r\n");
    EXPECT_TRUE(Titles().empty());

    // Nothing to delete: no question.
    const size_t asked = seams.dialogs.shown.size();
    Book().ListClear1->trigger();
    Book().Delete1->trigger();
    EXPECT_EQ(seams.dialogs.shown.size(), asked);
}

TEST_F(SponsorWindows, DoubleClickOrEnterOpensTheSelectedLink) {
    Remembered(kThreeLinks);
    Create();
    Book().ShowWindow();
    QTest::keyClick(Book().ListBox1, Qt::Key_Return);  // nothing selected
    EXPECT_TRUE(seams.shell.opened.empty());

    const QRect second = Book().ListBox1->visualItemRect(Book().ListBox1->item(1));
    // A double-click: the first press selects, the second click opens.
    QTest::mouseClick(Book().ListBox1->viewport(), Qt::LeftButton, {}, second.center());
    QTest::mouseDClick(Book().ListBox1->viewport(), Qt::LeftButton, {}, second.center());
    EXPECT_EQ(seams.shell.opened, std::vector<std::string>{"http://b/"});

    Select(2);
    QTest::keyClick(Book().ListBox1, Qt::Key_Return);
    EXPECT_EQ(seams.shell.opened.back(), "http://a/");
}

TEST_F(SponsorWindows, CloseButtonHoversResetsOverTheListAndHidesTheBook) {
    Remembered(kThreeLinks);
    Create();
    Book().ShowWindow();
    QTest::mouseMove(Book().Image1, QPoint(2, 2));
    EXPECT_EQ(Shown(Book().Image1), "x1.gif");
    QTest::mouseMove(Book().Label1, QPoint(2, 2));  // no reset source
    EXPECT_EQ(Shown(Book().Image1), "x1.gif");
    QTest::mouseMove(Book().ListBox1->viewport(), QPoint(5, 5));
    EXPECT_EQ(Shown(Book().Image1), "x0.gif");
    EXPECT_EQ(Book().Image1->SkinState(), "abajo");

    QTest::mousePress(Book().Image1, Qt::LeftButton, {}, QPoint(2, 2));
    EXPECT_EQ(Shown(Book().Image1), "x2.gif");
    QTest::mouseRelease(Book().Image1, Qt::LeftButton, {}, QPoint(2, 2));
    EXPECT_FALSE(Book().isVisible());
}

}  // namespace
