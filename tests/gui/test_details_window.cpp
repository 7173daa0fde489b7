#include <gtest/gtest.h>

#include <QCursor>
#include <QScrollBar>
#include <QTest>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "core/platform/errors.h"
#include "support/fake_seams.h"
#include "support/skin_files.h"
#include "support/temp_dir.h"
#include "ui/catalogue/FormShowDetails.h"
#include "ui/hypertext/HypertextViewer.h"

namespace veltod {
namespace {

std::vector<std::string> Entry(const std::string& name, const std::string& platforms, const std::string& buy) {
    // Name, DownloadUrl, TitleSuffix, SizeKb, DetailLineA, InfoUrl, DetailLineB,
    // Description, ColourCode, CategoryCode, EntryId, BuyUrl, Platforms, HoverNote
    return {name,
            "http://dl.example/" + name + ".zip",
            "2.1",
            "1480",
            "Shareware US$25",
            "http://info.example/" + name,
            "Windows utility",
            "Packs and unpacks archives. Second sentence of the description.",
            "3",
            "17",
            "42",
            buy,
            platforms,
            "note"};
}

class DetailsWindowTest : public ::testing::Test {
protected:
    DetailsWindowTest() {
        test::CopySkin(installation);
        QCursor::setPos(2000, 2000);
        table.AppendRow(Entry("Zipper", "xx", "http://buy.example/zipper"));
        table.AppendRow(Entry("Caf\xE9", "", ""));
        table.AppendRow(Entry("Everything", "xxxxxxxxx", "http://buy.example/all"));
    }
    void Create() { window = std::make_unique<TFormShowDetails>(); }
    QString Text(const char* label) const { return window->findChild<QLabel*>(label)->text(); }
    std::string Picture(TSkinButton* button) const {
        const std::string& path = button->PictureFile();
        return path.substr(path.rfind('/') + 1);
    }

    test::SeamsGuard seams;
    test::ScratchInstallation installation;
    RecordTable table;
    std::unique_ptr<TFormShowDetails> window;
};

TEST_F(DetailsWindowTest, IsLaidOutFromItsPictures) {
    Create();
    EXPECT_EQ(window->objectName(), "FormShowDetails");
    EXPECT_TRUE(window->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(window->pos(), QPoint(20, 120));  // 1024x768 layout place
    const QRect image1 = window->Image1->geometry();
    EXPECT_EQ(image1.topLeft(), QPoint(0, 20));
    EXPECT_EQ(window->width(), image1.width());
    EXPECT_EQ(window->height(), image1.height() + window->Image2->height() + window->Image3->height() +
                                    window->Image4->height() + 20);
    EXPECT_EQ(window->Image2->y(), image1.bottom() + 1);
    EXPECT_EQ(window->Image4->y(), window->Image3->geometry().bottom() + 1);
    EXPECT_EQ(window->Image5->geometry().right(), image1.right());
    EXPECT_EQ(window->Viewer1->geometry(), QRect(15, 30, image1.width() - 30, image1.height() - 20));
    EXPECT_EQ(window->Label1->geometry(), window->Viewer1->geometry());
    EXPECT_EQ(window->Label7->geometry(), QRect(0, 4, image1.width(), 20));
    for (const char* name : {"Image1", "Image2", "Image3", "Image4", "Image5", "Image6", "Label1", "Label2", "Label3",
                             "Label4", "Label5", "Label6", "Label7"})
        EXPECT_NE(window->findChild<QWidget*>(name), nullptr) << name;
    EXPECT_EQ(window->Viewer1->Sheet().background, 0xCCCC00u);
    EXPECT_EQ(window->Viewer1->Sheet().styles[0].colour, 0x666600u);
}

TEST_F(DetailsWindowTest, AMissingPictureStopsCreation) {
    std::filesystem::remove(installation.Root() / "Resources" / "fondo01-05u.gif");
    std::filesystem::remove(installation.Root() / "Resources" / "fondo01-02.gif");
    EXPECT_THROW(Create(), FileError);
    EXPECT_EQ(CurrentEntryDetailsView(), nullptr);
}

TEST_F(DetailsWindowTest, ShowsTheEntryTextsAndPlatforms) {
    Create();
    ShowEntryDetails(table, 0, 100, 700);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(Text("Label7"), "Zipper 2.1");
    EXPECT_EQ(Text("Label6"), "Zipper");
    EXPECT_EQ(Text("Label5"), "1480 Kb");
    EXPECT_EQ(Text("Label4"), "For: W95/W98/");
    EXPECT_EQ(Text("Label2"), "Shareware US$25");
    EXPECT_EQ(Text("Label3"), "Windows utility");
    EXPECT_EQ(Text("Label1"), "Packs and unpacks archives. Second sentence of the description.");
    ASSERT_EQ(window->Viewer1->ItemCount(), 1);
    EXPECT_EQ(window->Viewer1->Document().Paragraphs()[0].text, Entry("", "", "")[7]);
    EXPECT_GT(window->Viewer1->Document().Lines().size(), 1u);  // wrapped to the viewer

    ShowEntryDetails(table, 1, 100, 700);
    EXPECT_EQ(Text("Label4"), "For: ");
    EXPECT_EQ(Text("Label7"), QString::fromUtf8("Café 2.1"));
    EXPECT_EQ(window->Viewer1->ItemCount(), 1);  // the previous description is gone
    ShowEntryDetails(table, 2, 100, 700);
    EXPECT_EQ(Text("Label4"), "For: W95/W98/W2k/WMe/WNT/WXp/Mac/Linux/");
}

// Faults of a first tour: a new entry opened where the previous one was
// scrolled to, and the name holder could be seen and clicked.
TEST_F(DetailsWindowTest, ANewEntryOpensAtItsTopHidesTheNameHolderAndElidesLongTexts) {
    std::vector<std::string> long_entry = Entry("Long", "", "");
    long_entry[4] = "amd64 / libdevel";
    long_entry[6] = "Maintainer: Somebody With A Very Long Name <somebody.with.a.very.long.name@example.org>";
    for (int i = 0; i < 60; ++i) long_entry[7] += " More words to make the description longer than its view.";
    table.AppendRow(long_entry);
    Create();
    ShowEntryDetails(table, 3, 100, 700);
    QScrollBar* bar = window->Viewer1->verticalScrollBar();
    ASSERT_GT(bar->maximum(), 0);
    window->Viewer1->ScrollTo(bar->maximum());
    ASSERT_GT(bar->value(), 0);
    ShowEntryDetails(table, 3, 100, 700);
    EXPECT_EQ(bar->value(), 0);
    EXPECT_FALSE(window->findChild<QLabel*>("Label6")->isVisible());
    EXPECT_EQ(Text("Label6"), "Long");
    // The maintainer shows its start, its end elided short of the label on
    // the same strip; the whole text is the tool tip.
    const QLabel* maintainer = window->findChild<QLabel*>("Label3");
    EXPECT_TRUE(Text("Label3").startsWith("Maintainer: Somebody"));
    EXPECT_TRUE(Text("Label3").endsWith(QChar(0x2026)));
    EXPECT_EQ(Text("Label2"), "amd64 / libdevel");
    const QLabel* beside = window->findChild<QLabel*>("Label2");
    const QFontMetrics metrics = maintainer->fontMetrics();
    const int maintainer_end = maintainer->x() + metrics.horizontalAdvance(Text("Label3"));
    const int beside_start = beside->geometry().right() + 1 - metrics.horizontalAdvance(Text("Label2"));
    EXPECT_LT(maintainer_end, beside_start);
    EXPECT_EQ(maintainer->toolTip().toStdString(), long_entry[6]);
}

TEST_F(DetailsWindowTest, BuyButtonOnlyWithABuyAddress) {
    Create();
    ShowEntryDetails(table, 1, 100, 700);
    EXPECT_FALSE(window->Image6->isVisible());
    ShowEntryDetails(table, 0, 100, 700);
    EXPECT_TRUE(window->Image6->isVisible());
    ShowEntryDetails(table, 7, 100, 700);  // outside the table: nothing changes
    EXPECT_EQ(Text("Label6"), "Zipper");
}

TEST_F(DetailsWindowTest, StandsLeftOfTheAnchorOrAtItsPlaceAt640x480) {
    Create();
    // As the file list opens it: its right edge on the list's left edge.
    ShowEntryDetails(table, 0, 70, 604);
    EXPECT_EQ(window->x() + window->width(), 604);
    EXPECT_EQ(window->y(), 70);

    seams.screen.Set(640, 480);
    ShowEntryDetails(table, 0, 300, 420);
    EXPECT_EQ(window->pos(), QPoint(30, 105));
}

TEST_F(DetailsWindowTest, KeptOnTheDesktopFromTheDayList) {
    Create();
    const ScreenRect day_news{741, 0, 283, 760};
    ShowEntryDetails(table, 0, 700, 741);
    KeepDetailsOnDesktop(day_news);
    EXPECT_EQ(window->y() + window->height(), 768 - 20);
    EXPECT_EQ(window->x() + window->width(), 741);

    ShowEntryDetails(table, 0, 10, 100);
    KeepDetailsOnDesktop({100, 0, 283, 760});
    EXPECT_EQ(window->x(), 383);
    EXPECT_EQ(window->y(), 10);
}

TEST_F(DetailsWindowTest, OneButtonHoveredAtATime) {
    Create();
    ShowEntryDetails(table, 0, 100, 700);
    EXPECT_EQ(Picture(window->Image5), "fondo01-05.gif");
    QTest::mouseMove(window->Image5, QPoint(3, 3));
    EXPECT_EQ(Picture(window->Image5), "fondo01-05u.gif");
    EXPECT_EQ(window->Image5->SkinState(), "undido");
    QTest::mouseMove(window->Image6, QPoint(3, 3));
    EXPECT_EQ(Picture(window->Image6), "fondo01-06u.gif");
    EXPECT_EQ(Picture(window->Image5), "fondo01-05.gif");
    EXPECT_EQ(Picture(window->Image4), "fondo01-04.gif");
    EXPECT_EQ(window->Image5->SkinState(), "arriba");
    const int loads = window->Image6->LoadCount();
    QTest::mouseMove(window->Image6, QPoint(5, 5));
    EXPECT_EQ(window->Image6->LoadCount(), loads);
    QTest::mouseMove(window->Label3, QPoint(2, 2));
    EXPECT_EQ(Picture(window->Image6), "fondo01-06.gif");
    EXPECT_EQ(window->Image6->SkinState(), "arriba");
    QTest::mouseMove(window->Image4, QPoint(3, 3));
    QTest::mouseMove(window->Image2, QPoint(3, 3));
    EXPECT_EQ(window->Image4->SkinState(), "arriba");
}

TEST_F(DetailsWindowTest, ButtonsHandTheirAddressesToTheShell) {
    Create();
    ShowEntryDetails(table, 0, 100, 700);
    QTest::mouseClick(window->Image4, Qt::LeftButton, {}, QPoint(3, 3));
    QTest::mouseClick(window->Image5, Qt::LeftButton, {}, QPoint(3, 3));
    QTest::mouseClick(window->Image6, Qt::LeftButton, {}, QPoint(3, 3));
    EXPECT_EQ(seams.shell.opened, (std::vector<std::string>{"http://info.example/Zipper",
                                                            "http://dl.example/Zipper.zip",
                                                            "http://buy.example/zipper"}));
    // An entry with empty addresses still hands them over.
    RecordTable bare;
    bare.AppendRow({"Bare"});
    ShowEntryDetails(bare, 0, 100, 700);
    QTest::mouseClick(window->Image4, Qt::LeftButton, {}, QPoint(3, 3));
    EXPECT_EQ(seams.shell.opened.back(), "");
    EXPECT_EQ(seams.shell.opened.size(), 4u);
    EXPECT_TRUE(seams.dialogs.shown.empty());
}

}  // namespace
}  // namespace veltod
