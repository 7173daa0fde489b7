#include <gtest/gtest.h>

#include <QTest>
#include <QWidget>

#include "core/platform/errors.h"
#include "support/fake_seams.h"

namespace {

class ThrowingWidget : public QWidget {
public:
    int presses = 0;

protected:
    void mousePressEvent(QMouseEvent*) override {
        ++presses;
        throw veltod::FileError("File not found");
    }
};

TEST(DefaultErrorHandler, ShowsTheErrorAndTheProgramGoesOn) {
    veltod::test::SeamsGuard seams;
    ThrowingWidget widget;
    widget.resize(50, 50);
    widget.show();
    QTest::mouseClick(&widget, Qt::LeftButton);
    QTest::mouseClick(&widget, Qt::LeftButton);
    EXPECT_EQ(widget.presses, 2);
    ASSERT_EQ(seams.dialogs.shown.size(), 2u);
    EXPECT_EQ(seams.dialogs.shown[0].kind, "error");
    EXPECT_EQ(seams.dialogs.shown[0].text, "File not found");
}

}  // namespace
