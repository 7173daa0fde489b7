#include <QTest>
#include <QTextDocument>
#include <filesystem>

#include "core/catalogue/entry_details.h"
#include "core/records/record_file.h"
#include "support/window_set_fixture.h"
#include "ui/catalogue/FormShowDetails.h"
#include "ui/daynews/FormDayNews.h"
#include "ui/skin/ElidedText.h"
#include "ui/sponsors/FormMensaje.h"

namespace {

using veltod::State;

std::vector<std::string> Entry(int i, const std::string& note) {
    std::vector<std::string> fields(14);
    fields[0] = "Program " + std::to_string(i);
    fields[1] = "http://127.0.0.1/program" + std::to_string(i) + ".zip";
    fields[3] = "100";
    fields[7] = "About program " + std::to_string(i);
    fields[8] = std::to_string(i % 17 + 1);
    fields[9] = "0101";
    fields[12] = "x-------";
    fields[13] = note.empty() ? "Note " + std::to_string(i) : note;
    return fields;
}

// Stands in for the details window: a 200 x 300 window that remembers where
// it was put and what it shows.
class RecordingDetails : public veltod::EntryDetailsView {
public:
    veltod::ScreenRect Geometry() const override { return rect; }
    void MoveTo(int left, int top) override {
        rect.left = left;
        rect.top = top;
    }
    void ShowView() override { shown = true; }
    void ShowDetails(const veltod::EntryDetails& details) override { names.push_back(details.name); }

    veltod::ScreenRect rect{0, 0, 200, 300};
    bool shown = false;
    std::vector<std::string> names;
};

class DetailsViewSwap {
public:
    explicit DetailsViewSwap(veltod::EntryDetailsView* view) : saved_(veltod::CurrentEntryDetailsView()) {
        veltod::SetEntryDetailsView(view);
    }
    ~DetailsViewSwap() { veltod::SetEntryDetailsView(saved_); }

private:
    veltod::EntryDetailsView* saved_;
};

class DayNewsWindow : public veltod::test::WindowSetTest {
protected:
    // Writes a list whose newest entry, shown first, is "Program 0".
    void WriteList(const std::string& file, int count) {
        std::vector<std::vector<std::string>> oldest_first;
        for (int i = count - 1; i >= 0; --i) oldest_first.push_back(Entry(i, i == 1 ? "%9%Maroon note" : ""));
        veltod::WriteRecordFile("../Resources/" + file, 14, oldest_first);
    }
    veltod::TFormDayNews& News() { return *windows->FormDayNews; }
    veltod::TSkinImage* Image(int k) { return News().Images[static_cast<size_t>(k - 1)]; }
    QLabel* Label(int k) { return News().Labels[static_cast<size_t>(k - 1)]; }
    std::string Picture(int k) { return FileName(Image(k)->PictureFile()); }
    std::string RowState(int k) { return Image(k)->property("Hint").toString().toStdString(); }
    std::string Marker(int k) { return Label(k)->property("Hint").toString().toStdString(); }
    // The whole caption: a long one is cut on the row and whole in its tool tip.
    std::string Caption(int k) {
        if (Label(k)->toolTip().isEmpty()) return Label(k)->text().toStdString();
        QTextDocument tip;
        tip.setHtml(Label(k)->toolTip());
        return tip.toPlainText().toStdString();
    }
    int VisibleRows() {
        int rows = 0;
        for (int k = 1; k <= veltod::kDayRows; ++k)
            if (Label(k) && !Label(k)->isHidden()) ++rows;
        return rows;
    }
    void OpenDayNews() {
        Start();
        Main().Image1Click();
        QCoreApplication::processEvents();
    }
};

// Rows are 17 pixels high and pages at 1024x768 are 667 pixels: 39 rows.
TEST_F(DayNewsWindow, FirstPageFillsTheColumnAtItsPlace) {
    WriteList("today.1cat", 45);
    OpenDayNews();
    ASSERT_TRUE(News().isVisible()) << LastError();
    EXPECT_EQ(VisibleRows(), 39);
    EXPECT_EQ(News().size(), QSize(283, 39 * 17));
    EXPECT_EQ(News().pos(), QPoint(741, 71));
    EXPECT_EQ(Caption(1), "Program 0");
    EXPECT_EQ(Picture(1), "dayarr0011.gif");
    EXPECT_EQ(Picture(38), "dayarr0381.gif");
    EXPECT_EQ(Caption(38), "Program 37");
    EXPECT_EQ(Marker(38), "37");
    EXPECT_EQ(Picture(39), "dayarrmore.gif");
    EXPECT_EQ(Marker(39), "9999");
    EXPECT_EQ(RowState(39), "bajoprox");
    EXPECT_EQ(Caption(39), "");
    for (int k = 1; k <= 39; ++k) {
        const QRect row(0, (k - 1) * 17, 283, 17);
        EXPECT_EQ(Image(k)->geometry(), row) << k;
        EXPECT_EQ(Label(k)->geometry(), row) << k;
    }
    EXPECT_EQ(Label(2)->palette().color(QPalette::WindowText), QColor(0x00, 0xFF, 0xFF));  // code 2
    EXPECT_EQ(State().DayNewsLoaded, veltod::kDone);
}

TEST_F(DayNewsWindow, HoverSwapsPicturesAndFeedsTheMessageWindow) {
    WriteList("today.1cat", 45);
    OpenDayNews();
    QTest::mouseMove(Label(2));
    EXPECT_EQ(Picture(2), "dayund0021.gif");
    EXPECT_EQ(RowState(2), "alto");
    EXPECT_TRUE(windows->FormMensaje->isVisible());
    EXPECT_EQ(windows->FormMensaje->Edit1->text(), "Maroon note");
    EXPECT_EQ(windows->FormMensaje->Edit1->palette().color(QPalette::WindowText), QColor(0x80, 0x00, 0x00));
    // From the caption onto its own picture: nothing changes.
    const int loads = Image(2)->LoadCount();
    QTest::mouseMove(Image(2), QPoint(1, 1));
    EXPECT_EQ(Image(2)->LoadCount(), loads);

    QTest::mouseMove(Label(3));
    EXPECT_EQ(Picture(2), "dayarr0021.gif");
    EXPECT_EQ(RowState(2), "bajo");
    EXPECT_EQ(Picture(3), "dayund0031.gif");
    EXPECT_EQ(windows->FormMensaje->Edit1->text(), "Note 2");
    EXPECT_EQ(windows->FormMensaje->Edit1->palette().color(QPalette::WindowText), QColor(204, 204, 0));

    QTest::mouseMove(Label(39));
    EXPECT_EQ(Picture(39), "dayundmore.gif");
    EXPECT_EQ(Picture(3), "dayarr0031.gif");
    EXPECT_EQ(windows->FormMensaje->Edit1->text(), "Note 2");
}

// Names and notes come from servers: markup in them is shown as the bytes
// given, in captions, the message window and tool tips alike.
TEST_F(DayNewsWindow, MarkupFromTheListIsShownAsPlainText) {
    const std::string picture = "<img src=\"http://attacker.test/x.gif\">";
    const std::string link = "<a href=\"file:///etc/passwd\">click</a> & <b>bold</b>";
    std::vector<std::vector<std::string>> oldest_first{Entry(1, link), Entry(0, "note")};
    oldest_first[1][0] = picture;
    veltod::WriteRecordFile("../Resources/today.1cat", 14, oldest_first);
    OpenDayNews();
    EXPECT_EQ(Caption(1), picture);
    EXPECT_EQ(Label(1)->textFormat(), Qt::PlainText);
    // Too long for its row: its start is shown, clear of the row's number box.
    const QString shown = Label(1)->text();
    EXPECT_TRUE(QString::fromStdString(picture).startsWith(shown.chopped(1))) << shown.toStdString();
    EXPECT_LE(QFontMetrics(Label(1)->font()).horizontalAdvance(shown), Label(1)->width() - 2 * 28);
    QTest::mouseMove(Label(2));
    QLabel* note = windows->FormMensaje->Edit1;
    EXPECT_EQ(note->textFormat(), Qt::PlainText);
    const QString whole = QString::fromStdString(link);
    if (note->toolTip().isEmpty()) {
        EXPECT_EQ(note->text(), whole);
    } else {
        EXPECT_TRUE(whole.startsWith(note->text().chopped(1))) << note->text().toStdString();
        QTextDocument tip;
        tip.setHtml(note->toolTip());
        EXPECT_EQ(tip.toPlainText(), whole);
    }

    for (const std::string& text : {picture, link, std::string("plain & simple"), std::string("<b>x</b>\nline two")}) {
        const QString tip = veltod::PlainToolTip(QString::fromStdString(text));
        QTextDocument shown;
        if (Qt::mightBeRichText(tip))
            shown.setHtml(tip);
        else
            shown.setPlainText(tip);
        EXPECT_EQ(shown.toPlainText().toStdString(), text);
    }
}

TEST_F(DayNewsWindow, MoreAndBackRowsPageAndKeepTheDetailsWindowHidden) {
    WriteList("today.1cat", 45);
    OpenDayNews();
    windows->FormShowDetails->show();
    QTest::mouseClick(Label(39), Qt::LeftButton);
    EXPECT_FALSE(windows->FormShowDetails->isVisible());
    EXPECT_EQ(VisibleRows(), 8);
    EXPECT_EQ(News().height(), 8 * 17);
    EXPECT_EQ(Marker(1), "9998");
    EXPECT_EQ(Picture(1), "dayarrback.gif");
    EXPECT_EQ(Caption(2), "Program 38");
    EXPECT_EQ(Picture(2), "dayarr0391.gif");
    EXPECT_EQ(Caption(8), "Program 44");
    EXPECT_EQ(Label(8)->geometry(), QRect(0, 7 * 17, 283, 17));
    EXPECT_TRUE(Label(9)->isHidden());
    EXPECT_TRUE(Image(9)->isHidden());

    QTest::mouseClick(Label(1), Qt::LeftButton);
    EXPECT_FALSE(windows->FormShowDetails->isVisible());
    EXPECT_EQ(VisibleRows(), 39);
    EXPECT_EQ(Caption(1), "Program 0");
    EXPECT_EQ(Picture(1), "dayarr0011.gif");
    EXPECT_EQ(Marker(39), "9999");
}

TEST_F(DayNewsWindow, ClickOnAnEntryOpensItsDetailsBesideTheRow) {
    WriteList("today.1cat", 45);
    OpenDayNews();
    RecordingDetails details;
    const DetailsViewSwap swap(&details);
    QTest::mouseClick(Label(5), Qt::LeftButton);
    EXPECT_TRUE(details.shown);
    ASSERT_EQ(details.names, std::vector<std::string>{"Program 4"});
    EXPECT_EQ(details.rect.left, 741 - 200);
    EXPECT_EQ(details.rect.top, 71 + 4 * 17);
    // Near the bottom of the screen it is pulled up 20 pixels above the
    // desktop's bottom edge.
    QTest::mouseClick(Label(38), Qt::LeftButton);
    EXPECT_EQ(details.names.back(), "Program 37");
    EXPECT_EQ(details.rect.top, 768 - 300 - 20);
    // On the second page the row shows an entry counted in the whole list.
    QTest::mouseClick(Label(39), Qt::LeftButton);
    QTest::mouseClick(Label(2), Qt::LeftButton);
    EXPECT_EQ(details.names.back(), "Program 38");
    EXPECT_EQ(details.rect.top, 71 + 17);
}

TEST_F(DayNewsWindow, DetailsWindowOpensBesideTheClickedRowAndAPressHidesIt) {
    WriteList("today.1cat", 45);
    OpenDayNews();
    veltod::TFormShowDetails& details = *windows->FormShowDetails;
    QTest::mouseClick(Label(5), Qt::LeftButton);
    ASSERT_TRUE(details.isVisible()) << LastError();
    EXPECT_EQ(details.Label6->text(), "Program 4");
    EXPECT_EQ(details.x() + details.width(), 741);
    EXPECT_EQ(details.y(), 71 + 4 * 17);
    // The press on another row hides the window; the click shows the new entry.
    QTest::mousePress(Label(6), Qt::LeftButton);
    EXPECT_FALSE(details.isVisible());
    QTest::mouseRelease(Label(6), Qt::LeftButton);
    EXPECT_TRUE(details.isVisible());
    EXPECT_EQ(details.Label6->text(), "Program 5");
    EXPECT_EQ(details.y(), 71 + 5 * 17);
    details.Image5Click();
    ASSERT_FALSE(seams.shell.opened.empty());
    EXPECT_EQ(seams.shell.opened.back(), "http://127.0.0.1/program5.zip");
}

TEST_F(DayNewsWindow, At640x480TheDetailsWindowKeepsItsTablePlace) {
    seams.screen.Set(640, 480);
    WriteList("today.1cat", 45);
    OpenDayNews();
    // 379-pixel pages hold 22 rows of 17 pixels.
    EXPECT_EQ(VisibleRows(), 22);
    EXPECT_EQ(News().pos(), QPoint(420, 5));
    veltod::TFormShowDetails& details = *windows->FormShowDetails;
    for (int k : {2, 15}) {
        QTest::mouseClick(Label(k), Qt::LeftButton);
        ASSERT_TRUE(details.isVisible()) << LastError();
        EXPECT_EQ(details.pos(), QPoint(30, 105)) << k;
    }
}

TEST_F(DayNewsWindow, DayNewsButtonReloadsAFreshListOnThePageOne) {
    WriteList("today.1cat", 100);
    OpenDayNews();
    QTest::mouseClick(Label(39), Qt::LeftButton);
    QTest::mouseClick(Label(39), Qt::LeftButton);
    EXPECT_EQ(Caption(2), "Program 75");
    WriteList("today.1cat", 3);
    Main().Image1Click();
    EXPECT_EQ(VisibleRows(), 3);
    EXPECT_EQ(Caption(1), "Program 0");
    EXPECT_EQ(Caption(3), "Program 2");
    EXPECT_EQ(News().height(), 3 * 17);
    EXPECT_EQ(State().DayNewsLoaded, veltod::kDone);
    // A list without entries leaves no row to see.
    veltod::StartRecordFile("../Resources/today.1cat", 14);
    const size_t dialogs = seams.dialogs.shown.size();
    Main().Image1Click();
    EXPECT_EQ(VisibleRows(), 1);
    EXPECT_EQ(News().height(), 0);
    EXPECT_EQ(seams.dialogs.shown.size(), dialogs) << LastError();
}

TEST_F(DayNewsWindow, FilterChangeRebuildsWithTheKindsListAndPictures) {
    WriteList("today.1cat", 5);
    WriteList("today.2cat", 2);
    WriteList("Encontro.2cat", 4);
    OpenDayNews();
    Main().Image12MouseDown();
    EXPECT_EQ(VisibleRows(), 2);
    EXPECT_EQ(Picture(1), "dayarr0012.gif");
    EXPECT_EQ(News().WindowMode, "2");
    State().CurrentView = "BUSQUEDA";
    State().DayListFile = "../Resources/Encontro.2cat";
    Main().Image12MouseDown();
    EXPECT_EQ(VisibleRows(), 4);
    EXPECT_EQ(Picture(3), "dayarr0002.gif");
    QCoreApplication::processEvents();
    QTest::mouseMove(Label(3));
    EXPECT_EQ(Picture(3), "dayund0002.gif");
}

TEST_F(DayNewsWindow, MissingListIsReportedAndTheProgramGoesOn) {
    std::filesystem::remove(installation.Root() / "Resources/today.1cat");
    {
        const veltod::TFormDayNews alone;
        ASSERT_EQ(seams.dialogs.shown.size(), 1u);
        EXPECT_EQ(seams.dialogs.shown[0].kind, "error");
        EXPECT_EQ(seams.dialogs.shown[0].text, "File not found");
        EXPECT_EQ(alone.Model().EntryCount(), 0u);
    }
    Create();
    ASSERT_NE(windows->FormDayNews, nullptr);
    WriteList("today.1cat", 2);
    windows->FormNetFiles->ShowWindow();
    Main().Image1Click();
    EXPECT_EQ(VisibleRows(), 2);
    EXPECT_EQ(Caption(2), "Program 1");
}

}  // namespace
