#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QScrollBar>
#include <QTest>
#include <string>

#include "ui/hypertext/HypertextViewer.h"

namespace veltod {
namespace {

class ViewerTest : public ::testing::Test {
protected:
    void SetUp() override {
        viewer.SetStyleSheet(DetailsStyleSheet(CurrentSystemColours()));
        viewer.resize(300, 200);
        viewer.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&viewer));
    }
    void Fill(int lines) {
        std::string text;
        for (int i = 0; i < lines; ++i) text += "Line number " + std::to_string(i) + "\r\n";
        viewer.AddText(text, 0);
        viewer.Format();
    }
    QPoint LineStart(size_t index) const {
        const DrawnLine& line = viewer.Document().Lines().at(index);
        const int top = line.top - viewer.VerticalPosition() * viewer.Document().ScrollUnit();
        return {line.left, top + line.height / 2};
    }
    THypertextViewer viewer;
};

TEST_F(ViewerTest, WrapsALongLineToTheViewAndShowsTheBarOnlyWhenNeeded) {
    std::string description;
    for (int i = 0; i < 8; ++i) description += "word" + std::to_string(i) + " ";
    viewer.AddText(description, 0);
    viewer.Format();
    EXPECT_FALSE(viewer.verticalScrollBar()->isVisible());
    const int width = viewer.viewport()->width() - 10;
    ASSERT_GT(viewer.Document().Lines().size(), 1u);
    for (const auto& line : viewer.Document().Lines()) EXPECT_LE(line.width, width);

    for (int i = 0; i < 100; ++i) description += "more words here ";
    viewer.DeleteItems(0, viewer.ItemCount());
    viewer.AddText(description, 0);
    viewer.Format();
    EXPECT_TRUE(viewer.verticalScrollBar()->isVisible());
    // The bar took client width: the text was wrapped again for the narrower view.
    EXPECT_EQ(viewer.Document().TextWidth(), viewer.viewport()->width() - 10);
    EXPECT_EQ(viewer.horizontalScrollBar()->maximum(), 0);
}

TEST_F(ViewerTest, KeysScrollByUnitsPagesAndEnds) {
    Fill(100);
    QScrollBar* bar = viewer.verticalScrollBar();
    ASSERT_GT(bar->maximum(), 20);
    QTest::keyClick(&viewer, Qt::Key_Down);
    EXPECT_EQ(bar->value(), 1);
    QTest::keyClick(&viewer, Qt::Key_PageDown);
    EXPECT_EQ(bar->value(), 11);
    QTest::keyClick(&viewer, Qt::Key_PageUp);
    QTest::keyClick(&viewer, Qt::Key_Up);
    EXPECT_EQ(bar->value(), 0);
    QTest::keyClick(&viewer, Qt::Key_End);
    EXPECT_EQ(bar->value(), bar->maximum());
    // At the end, the last line is inside the view.
    const DrawnLine& last = viewer.Document().Lines().back();
    EXPECT_LE(last.top + last.height - bar->value() * 10, viewer.viewport()->height());
    QTest::keyClick(&viewer, Qt::Key_Home);
    EXPECT_EQ(bar->value(), 0);
    bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(bar->value(), 10);
    viewer.ScrollTo(30000);
    EXPECT_EQ(bar->value(), bar->maximum());
}

TEST_F(ViewerTest, DraggingSelectsAndCtrlCCopiesWithCrLf) {
    viewer.AddText("alpha beta\r\ngamma", 0);
    viewer.Format();
    QApplication::clipboard()->setText("before");
    QTest::keyClick(&viewer, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), "before");

    QTest::mousePress(viewer.viewport(), Qt::LeftButton, {}, LineStart(0));
    EXPECT_TRUE(viewer.hasFocus());
    QTest::mouseMove(viewer.viewport(), LineStart(1) + QPoint(1, 0));
    QTest::mouseRelease(viewer.viewport(), Qt::LeftButton, {}, LineStart(1) + QPoint(1, 0));
    EXPECT_EQ(viewer.Document().SelectedText(), "alpha beta\r\n");
    QTest::keyClick(&viewer, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), "alpha beta\r\n");

    // Dragging below the text selects to the end of the document.
    QTest::mousePress(viewer.viewport(), Qt::LeftButton, {}, LineStart(0));
    QTest::mouseMove(viewer.viewport(), QPoint(50, 190));
    QTest::mouseRelease(viewer.viewport(), Qt::LeftButton, {}, QPoint(50, 190));
    QTest::keyClick(&viewer, Qt::Key_Insert, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), "alpha beta\r\ngamma");
}

TEST_F(ViewerTest, WindowsTextIsCopiedAsUnicode) {
    viewer.AddText("caf\xE9 \x80", 0);
    viewer.Format();
    QTest::mousePress(viewer.viewport(), Qt::LeftButton, {}, LineStart(0));
    QTest::mouseMove(viewer.viewport(), QPoint(250, 150));
    QTest::mouseRelease(viewer.viewport(), Qt::LeftButton, {}, QPoint(250, 150));
    QTest::keyClick(&viewer, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), QString::fromUtf8("café €"));
}

TEST_F(ViewerTest, HoldingTheButtonOutsideScrollsByDistance) {
    Fill(100);
    QScrollBar* bar = viewer.verticalScrollBar();
    const int height = viewer.viewport()->height();
    QTest::mousePress(viewer.viewport(), Qt::LeftButton, {}, LineStart(0));
    EXPECT_TRUE(viewer.AutoScrollTimer().isActive());
    EXPECT_EQ(viewer.AutoScrollTimer().interval(), 100);
    QTest::mouseMove(viewer.viewport(), QPoint(40, height + 5));
    viewer.AutoScrollTick();
    EXPECT_EQ(bar->value(), 1);
    QTest::mouseMove(viewer.viewport(), QPoint(40, height + 40));
    viewer.AutoScrollTick();
    EXPECT_EQ(bar->value(), 11);
    // The selection followed the pointer to the last line in view.
    const std::string selected = viewer.Document().SelectedText();
    EXPECT_EQ(selected.substr(0, 13), "Line number 0");
    EXPECT_NE(selected.find("Line number 14"), std::string::npos);
    QTest::mouseMove(viewer.viewport(), QPoint(40, -30));
    viewer.AutoScrollTick();
    EXPECT_EQ(bar->value(), 1);
    // Back above the first line: the selection shrank to nothing.
    EXPECT_FALSE(viewer.Document().HasSelection());
    QTest::mouseRelease(viewer.viewport(), Qt::LeftButton, {}, QPoint(40, -30));
    EXPECT_FALSE(viewer.AutoScrollTimer().isActive());
    const int before = bar->value();
    viewer.AutoScrollTick();
    EXPECT_EQ(bar->value(), before);
}

TEST_F(ViewerTest, HidingDuringADragStopsTheAutoScroll) {
    Fill(100);
    QTest::mousePress(viewer.viewport(), Qt::LeftButton, {}, LineStart(0));
    QTest::mouseMove(viewer.viewport(), QPoint(40, viewer.viewport()->height() + 40));
    viewer.hide();
    EXPECT_FALSE(viewer.AutoScrollTimer().isActive());
    viewer.AutoScrollTick();
    EXPECT_EQ(viewer.VerticalPosition(), 0);
}

TEST_F(ViewerTest, DeletingAllItemsOfAnEmptyViewerAndPaintingAfterDelete) {
    viewer.DeleteItems(0, viewer.ItemCount());
    EXPECT_EQ(viewer.ItemCount(), 0);
    Fill(10);
    viewer.DeleteItems(3, 1000);
    EXPECT_EQ(viewer.ItemCount(), 3);
    // Painting before the next format draws nothing stale and does not crash.
    viewer.viewport()->repaint();
    viewer.Format();
    EXPECT_EQ(viewer.Document().Lines().size(), 3u);
    viewer.viewport()->repaint();
}

TEST_F(ViewerTest, StyleColourChangesReachThePaint) {
    viewer.Style(0).colour = 0xFF0000;
    viewer.AddText("IIIIIIII", 0);
    viewer.Format();
    const QImage image = viewer.viewport()->grab().toImage();
    bool red = false;
    for (int y = 0; y < 20 && !red; ++y)
        for (int x = 0; x < 60 && !red; ++x) red = image.pixelColor(x, y) == QColor(255, 0, 0);
    EXPECT_TRUE(red);
    EXPECT_EQ(image.pixelColor(200, 150), QColor(0xCC, 0xCC, 0x00));
}

}  // namespace
}  // namespace veltod
