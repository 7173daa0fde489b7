#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>
#include <QTreeWidget>

#include "core/catalogue/category_marks.h"
#include "core/catalogue/entry_details.h"
#include "core/records/record_file.h"
#include "support/catalogue_files.h"
#include "support/window_set_fixture.h"
#include "ui/catalogue/CategoryTreeView.h"
#include "ui/catalogue/FormBaseDatos.h"
#include "ui/catalogue/FormBusqueda.h"
#include "ui/platform/QtSeams.h"
#include "ui/sponsors/FormMensaje.h"
#include "ui/catalogue/FormCategorias.h"
#include "ui/catalogue/FormShowDetails.h"
#include "ui/catalogue/FormTreeFiles.h"
#include "ui/daynews/FormDayNews.h"

namespace {

using veltod::State;
using veltod::test::CategoryList;
using veltod::test::Entry;
using veltod::test::EntryList;

// Stands in for the details window and records what it was asked to show.
class RecordingDetails : public veltod::EntryDetailsView {
public:
    veltod::ScreenRect Geometry() const override { return {left, top, 300, 400}; }
    void MoveTo(int new_left, int new_top) override {
        left = new_left;
        top = new_top;
    }
    void ShowView() override { ++shown; }
    void ShowDetails(const veltod::EntryDetails& details) override { names.push_back(details.name); }
    int left = 0;
    int top = 0;
    int shown = 0;
    std::vector<std::string> names;
};

class CatalogueWindows : public veltod::test::WindowSetTest {
protected:
    CatalogueWindows() {
        // Software > Utilities > Disk tools; Games > Puzzles; Audio.
        installation.Write("Resources/Categ.txt", CategoryList({{1, 0, 0, "Software"},
                                                                {2, 1, 1, "Utilities"},
                                                                {3, 2, 2, "Disk tools"},
                                                                {4, 0, 0, "Games"},
                                                                {5, 4, 1, "Puzzles"},
                                                                {6, 0, 0, "audio"}}));
    }
    ~CatalogueWindows() override { veltod::SetEntryDetailsView(saved_view_); }

    void StartWithDetails() {
        Start();
        saved_view_ = veltod::CurrentEntryDetailsView();
        veltod::SetEntryDetailsView(&details);
    }

    static std::vector<std::string> Texts(const QTreeWidgetItem* parent) {
        std::vector<std::string> texts;
        for (int i = 0; i < parent->childCount(); ++i) texts.push_back(parent->child(i)->text(0).toStdString());
        return texts;
    }
    static QTreeWidgetItem* Find(QTreeWidget* tree, const QString& text) {
        const auto found = tree->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
        return found.isEmpty() ? nullptr : found.first();
    }
    static void ClickNode(QTreeWidget* tree, QTreeWidgetItem* item) {
        for (QTreeWidgetItem* up = item->parent(); up != nullptr; up = up->parent()) up->setExpanded(true);
        tree->scrollToItem(item);
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(item).center());
    }
    static std::vector<std::string> Names(QListWidget* list) {
        std::vector<std::string> names;
        for (int i = 0; i < list->count(); ++i) names.push_back(list->item(i)->text().toStdString());
        return names;
    }
    veltod::TFormTreeFiles& Files() { return *windows->FormTreeFiles; }

    RecordingDetails details;

private:
    veltod::EntryDetailsView* saved_view_ = nullptr;
};

TEST_F(CatalogueWindows, WeekTreeShowsSortedCategoriesAndFillsTheFileList) {
    installation.Write("Resources/S0100000.1txt",
                       EntryList({Entry("Old defrag", "3"), Entry("Tetris", "5"), Entry("Mixer", "6"),
                                  Entry("New defrag", "3"), Entry("Nowhere", "99")}));
    StartWithDetails();
    QTest::mouseClick(Main().Image2, Qt::LeftButton);
    auto* week = windows->FormCategorias;
    ASSERT_TRUE(week->isVisible());
    EXPECT_EQ(week->Label1->text(), "W e e k    N e w s");
    auto* tree = week->TreeView1;
    EXPECT_EQ(Texts(tree->invisibleRootItem()), (std::vector<std::string>{"audio", "Games", "Software"}));
    EXPECT_EQ(Texts(Find(tree, "Software")), (std::vector<std::string>{"Utilities"}));
    EXPECT_EQ(Texts(Find(tree, "Utilities")), (std::vector<std::string>{"Disk tools"}));

    ClickNode(tree, Find(tree, "Disk tools"));
    ASSERT_TRUE(Files().isVisible());
    EXPECT_EQ(Files().Label1->text(), "W e e k    N e w s");
    EXPECT_EQ(Names(Files().ListBox1), (std::vector<std::string>{"New defrag", "Old defrag"}));

    // Second name: the details of the second row, to the left of the list.
    const QListWidget* list = Files().ListBox1;
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(1)).center());
    ASSERT_EQ(details.names, (std::vector<std::string>{"Old defrag"}));
    EXPECT_EQ(details.left + 300, Files().x());
    EXPECT_EQ(details.top, Files().y());

    // The grandparent holds nothing of its own: the list and the details go.
    windows->FormShowDetails->show();
    ClickNode(tree, Find(tree, "Software"));
    EXPECT_FALSE(Files().isVisible());
    EXPECT_FALSE(windows->FormShowDetails->isVisible());
    EXPECT_EQ(Find(tree, "Nowhere"), nullptr);
}

TEST_F(CatalogueWindows, SelectingANodeExpandsItAndFoldsTheBranchBefore) {
    installation.Write("Resources/S0100000.1txt", EntryList({Entry("Defrag", "3"), Entry("Tetris", "5")}));
    Start();
    QTest::mouseClick(Main().Image2, Qt::LeftButton);
    auto* tree = windows->FormCategorias->TreeView1;
    tree->setCurrentItem(Find(tree, "Software"));
    tree->setCurrentItem(Find(tree, "Utilities"));
    EXPECT_TRUE(Find(tree, "Software")->isExpanded());
    EXPECT_TRUE(Find(tree, "Utilities")->isExpanded());
    tree->setCurrentItem(Find(tree, "Games"));
    EXPECT_TRUE(Find(tree, "Games")->isExpanded());
    EXPECT_FALSE(Find(tree, "Software")->isExpanded());
    EXPECT_FALSE(Find(tree, "Utilities")->isExpanded());
    EXPECT_EQ(veltod::TCategoryTreeView::CodeOf(Find(tree, "Games")), 4);
}

// Faults of a first tour: a double-click folded the node it opened, file
// list rows were 13 pixels because the list's style rule was dropped, and
// the close buttons kept their hover picture after the pointer left.
TEST_F(CatalogueWindows, DoubleClickKeepsTheNodeOpenRowsAre14PixelsAndCloseButtonsReset) {
    installation.Write("Resources/S0100000.1txt", EntryList({Entry("Defrag", "3"), Entry("Tetris", "5")}));
    StartWithDetails();
    QTest::mouseClick(Main().Image2, Qt::LeftButton);
    auto* tree = windows->FormCategorias->TreeView1;
    QTreeWidgetItem* software = Find(tree, "Software");
    const QPoint at = tree->visualItemRect(software).center();
    QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, at);
    EXPECT_TRUE(software->isExpanded());

    ClickNode(tree, Find(tree, "Disk tools"));
    ASSERT_TRUE(Files().isVisible());
    ASSERT_GT(Files().ListBox1->count(), 0);
    EXPECT_EQ(Files().ListBox1->visualItemRect(Files().ListBox1->item(0)).height(), 14);

    for (veltod::TSkinCloseButton* close : {windows->FormCategorias->Image6, Files().Image6}) {
        QTest::mouseMove(close);
        ASSERT_EQ(FileName(close->PictureFile()), "x1.gif");
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(close, &leave);
        EXPECT_EQ(FileName(close->PictureFile()), "x0.gif");
    }
}

TEST_F(CatalogueWindows, WeekTreeLoadsOnceAndReportsAMissingList) {
    Start();
    QTest::mouseClick(Main().Image2, Qt::LeftButton);
    ASSERT_FALSE(seams.dialogs.shown.empty());
    EXPECT_EQ(seams.dialogs.shown.back().kind, "error");
    EXPECT_EQ(State().CurrentView, "FORMCATEGORIAS") << "the main window's handler went on";
    EXPECT_EQ(windows->FormCategorias->TreeView1->topLevelItemCount(), 0);

    // Data arriving later shows only in a new window (a filter change).
    installation.Write("Resources/S0100000.1txt", EntryList({Entry("Defrag", "3")}));
    const size_t errors = seams.dialogs.shown.size();
    QTest::mouseClick(Main().Image2, Qt::LeftButton);
    EXPECT_EQ(windows->FormCategorias->TreeView1->topLevelItemCount(), 0);
    QTest::mousePress(Main().Image11, Qt::LeftButton);
    EXPECT_EQ(windows->FormCategorias->TreeView1->topLevelItemCount(), 1);
    EXPECT_EQ(seams.dialogs.shown.size(), errors);
}

TEST_F(CatalogueWindows, HistoricTreeOpensOnlyOwnHistoriesAndKeepsTheListOtherwise) {
    installation.Write("Resources/2.1cat", EntryList({Entry("Old util", "2"), Entry("New util", "2")}));
    installation.Write("Resources/3.1cat", EntryList({Entry("Defrag", "3")}));
    installation.Write("Resources/5.1cat", "14\r\n");
    installation.Write("Resources/6.2cat", EntryList({Entry("Mixer", "6")}));
    StartWithDetails();
    veltod::ComputeCategoryMarks();
    QTest::mouseClick(Main().Image3, Qt::LeftButton);
    auto* historic = windows->FormBaseDatos;
    EXPECT_EQ(historic->Label1->text(), "Historic   D a t a    B a s e");
    auto* tree = historic->TreeView1;
    EXPECT_EQ(Texts(tree->invisibleRootItem()), (std::vector<std::string>{"Games", "Software"}));

    ClickNode(tree, Find(tree, "Utilities"));
    ASSERT_TRUE(Files().isVisible());
    EXPECT_EQ(Files().Label1->text(), "D a t a    B a s e");
    EXPECT_EQ(Names(Files().ListBox1), (std::vector<std::string>{"New util", "Old util"}));

    // Software has no list of its own: the file list stays as it was, but
    // its emptied table opens nothing.
    Files().Label1->setText("kept");
    ClickNode(tree, Find(tree, "Software"));
    EXPECT_TRUE(Files().isVisible());
    EXPECT_EQ(Files().Label1->text(), "kept");
    EXPECT_EQ(Names(Files().ListBox1), (std::vector<std::string>{"New util", "Old util"}));
    const QListWidget* list = Files().ListBox1;
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(0)).center());
    EXPECT_TRUE(details.names.empty());

    // A history list with its count line only hides the list.
    ClickNode(tree, Find(tree, "Puzzles"));
    EXPECT_FALSE(Files().isVisible());

    // Mode "2" has only the audio category.
    QTest::mousePress(Main().Image12, Qt::LeftButton);
    EXPECT_EQ(Texts(windows->FormBaseDatos->TreeView1->invisibleRootItem()), (std::vector<std::string>{"audio"}));
}

TEST_F(CatalogueWindows, FileListOpensDetailsByKeyboardAndOutlivesItsTree) {
    installation.Write("Resources/S0100000.1txt",
                       EntryList({Entry("First", "3"), Entry("Second", "3"), Entry("Third", "3")}));
    StartWithDetails();
    QTest::mouseClick(Main().Image2, Qt::LeftButton);
    auto* tree = windows->FormCategorias->TreeView1;
    ClickNode(tree, Find(tree, "Disk tools"));
    EXPECT_EQ(Names(Files().ListBox1), (std::vector<std::string>{"Third", "Second", "First"}));

    QListWidget* list = Files().ListBox1;
    list->setFocus();
    list->setCurrentRow(0);
    details.names.clear();
    QTest::keyClick(list, Qt::Key_Down);
    EXPECT_EQ(details.names, (std::vector<std::string>{"Second"}));

    // A filter change destroys the tree window; the list's entries live on.
    QTest::mousePress(Main().Image12, Qt::LeftButton);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    details.names.clear();
    QTest::keyClick(list, Qt::Key_Down);
    EXPECT_EQ(details.names, (std::vector<std::string>{"First"}));

    // Pressing on the list hides the details window; the close button hides
    // both.
    windows->FormShowDetails->show();
    QTest::mousePress(list->viewport(), Qt::LeftButton, {}, QPoint(2, 2));
    EXPECT_FALSE(windows->FormShowDetails->isVisible());
    windows->FormShowDetails->show();
    QTest::mouseClick(Files().Image6, Qt::LeftButton);
    EXPECT_FALSE(Files().isVisible());
    EXPECT_FALSE(windows->FormShowDetails->isVisible());
}

TEST_F(CatalogueWindows, ListWindowsShareTheFrame) {
    Start();
    for (veltod::TSkinWindow* window : {static_cast<veltod::TSkinWindow*>(windows->FormCategorias),
                                        static_cast<veltod::TSkinWindow*>(windows->FormBaseDatos),
                                        static_cast<veltod::TSkinWindow*>(windows->FormTreeFiles)}) {
        auto* background = window->findChild<veltod::TSkinImage*>("Image1");
        auto* close = window->findChild<veltod::TSkinImage*>("Image6");
        auto* title = window->findChild<QLabel*>("Label1");
        ASSERT_TRUE(background && close && title) << window->objectName().toStdString();
        const int width = background->width();
        const int height = background->height();
        EXPECT_EQ(window->size(), QSize(width, height));
        QWidget* list = window->findChild<QWidget*>(window == windows->FormTreeFiles ? "ListBox1" : "TreeView1");
        ASSERT_TRUE(list);
        EXPECT_EQ(list->geometry(), QRect(10, 25, width - 20, height - 35));
        EXPECT_EQ(title->geometry().topLeft(), QPoint(12, 10));
        EXPECT_EQ(title->width(), width - 44);
        EXPECT_EQ(close->pos(), QPoint(width - close->width() - 10, 10));
        EXPECT_EQ(FileName(close->PictureFile()), "x0.gif");
    }
}

TEST_F(CatalogueWindows, SearchShowsItsResultsInANewDayNewsWindow) {
    for (const char* mode : {"1", "2", "3"}) installation.Write(std::string("Resources/0.") + mode + "cat", "14\r\n");
    installation.Write("Resources/2.1cat", EntryList({Entry("Zip util", "2"), Entry("Paint", "2")}));
    installation.Write("Resources/3.2cat", EntryList({Entry("unzip", "3")}));
    Start();
    QTest::mousePress(Main().Image12, Qt::LeftButton);  // licence kind 2
    QTest::mouseClick(Main().Image4, Qt::LeftButton);
    auto* search = windows->FormBusqueda;
    ASSERT_TRUE(search->isVisible());
    EXPECT_EQ(search->WindowMode, "2");
    EXPECT_EQ(search->Edit1->geometry(), QRect(8, 6, 137, 17));
    EXPECT_EQ(search->Image2->geometry(), QRect(152, 8, 41, 25));
    EXPECT_EQ(search->size(), search->Image1->size());

    veltod::TFormDayNews* old_day_news = windows->FormDayNews;
    QTest::keyClicks(search->Edit1, "ZIP");
    QTest::keyClick(search->Edit1, Qt::Key_Return);
    EXPECT_NE(windows->FormDayNews, old_day_news);
    EXPECT_TRUE(windows->FormDayNews->isVisible());
    EXPECT_EQ(windows->FormDayNews->WindowMode, "2");
    EXPECT_EQ(State().DayListFile, "../Resources/Encontro.2cat");
    EXPECT_EQ(State().ListFilterMode, "2");
    EXPECT_FALSE(search->isVisible());
    EXPECT_EQ(installation.Read("Resources/Encontro.2cat"), EntryList({Entry("unzip", "3")}));
    EXPECT_EQ(installation.Read("Resources/Encontro.1cat"), EntryList({Entry("Zip util", "2")}));
    // The day news window lists the results with the plain row pictures.
    QCoreApplication::processEvents();
    auto* news = windows->FormDayNews;
    EXPECT_EQ(news->Labels[0]->text(), "unzip");
    EXPECT_EQ(FileName(news->Images[0]->PictureFile()), "dayarr0002.gif");

    // A click on the go area searches again, now for nothing: the bar
    // stays for another try and the message window says so; the results
    // shown before stay.
    QTest::mouseClick(Main().Image4, Qt::LeftButton);
    search->Edit1->clear();
    QTest::mouseClick(search->Image2, Qt::LeftButton);
    EXPECT_EQ(installation.Read("Resources/Encontro.2cat"), "14\r\n");
    EXPECT_TRUE(search->isVisible());
    EXPECT_EQ(windows->FormMensaje->Edit1->accessibleName(), "Nothing matched \"\" under Demo, Share or Free");
    EXPECT_EQ(windows->FormDayNews->Labels[0]->text(), "unzip");
}

TEST_F(CatalogueWindows, TypingSearchesAtOnceAndOnlyTheLatestTextIsShown) {
    for (const char* mode : {"1", "2", "3"}) installation.Write(std::string("Resources/0.") + mode + "cat", "14\r\n");
    installation.Write("Resources/2.1cat", EntryList({Entry("Zip util", "2"), Entry("Zap tool", "2")}));
    installation.Write("Resources/3.2cat", EntryList({Entry("unzip", "3")}));
    Start();
    QTest::mouseClick(Main().Image4, Qt::LeftButton);
    auto* search = windows->FormBusqueda;
    // Each key starts a search and stops the one before: only "zap"'s
    // results come back, and the bar keeps the keyboard.
    QTest::keyClicks(search->Edit1, "za");
    QTest::keyClick(search->Edit1, Qt::Key_P);
    QTRY_COMPARE(windows->FormDayNews->Labels[0]->text(), QStringLiteral("Zap tool"));
    EXPECT_TRUE(windows->FormDayNews->isVisible());
    EXPECT_EQ(State().DayListFile, "../Resources/Encontro.1cat");
    EXPECT_TRUE(search->isVisible());
    const QLabel* second = windows->FormDayNews->Labels[1];
    EXPECT_TRUE(!second || !second->isVisible());
    // A text found only under another kind says where it was found.
    for (int i = 0; i < 3; ++i) QTest::keyClick(search->Edit1, Qt::Key_Backspace);
    QTest::keyClicks(search->Edit1, "unz");
    QTRY_COMPARE(windows->FormMensaje->Edit1->accessibleName(),
                 QStringLiteral("Nothing matched \"unz\" under Demo; found under Share (1)"));
    EXPECT_EQ(windows->FormDayNews->Labels[0]->text(), "Zap tool");
}

}  // namespace

// Faults of a second tour: a selected node folded with its arrow did not
// open again on a click on its name, and a box asked for from a window the
// user clicked in opened over whatever window was active.
TEST_F(CatalogueWindows, AFoldedSelectedNodeOpensOnItsNameAndBoxesStandOverTheClickedWindow) {
    installation.Write("Resources/S0100000.1txt", EntryList({Entry("Defrag", "3"), Entry("Tetris", "5")}));
    Start();
    QTest::mouseClick(Main().Image2, Qt::LeftButton);
    auto* tree = windows->FormCategorias->TreeView1;
    QTreeWidgetItem* software = Find(tree, "Software");
    ClickNode(tree, software);
    ASSERT_TRUE(software->isExpanded());
    software->setExpanded(false);  // as its arrow does
    ClickNode(tree, software);
    EXPECT_TRUE(software->isExpanded());
    EXPECT_EQ(veltod::MessageOwner(), windows->FormCategorias);
}
