#include <QImage>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <stdexcept>

#include "core/platform/errors.h"
#include "support/window_set_fixture.h"
#include "ui/skin/SkinImage.h"
#include "ui/skin/SkinNotice.h"
#include "ui/skin/SkinWindow.h"
#include "ui/sponsors/FormMensaje.h"

namespace {

using veltod::State;

class CountingWindow : public veltod::TSkinWindow {
public:
    explicit CountingWindow(const char* name) : TSkinWindow(QString::fromLatin1(name), veltod::kSkinOlive) {
        resize(60, 40);
    }
    int activations = 0;
    bool fail = false;

protected:
    void FormActivate() override {
        ++activations;
        if (fail) throw veltod::FileError("File not found");
    }
};

// Lets queued activation changes arrive; bounded in rounds, not in time.
void Settle() {
    for (int round = 0; round < 20; ++round) QCoreApplication::processEvents();
}

TEST(Activation, ShowingRunsTheHandlerOnceAndTheSystemActivationDoesNotRepeatIt) {
    CountingWindow first("First");
    CountingWindow second("Second");
    first.ShowWindow();
    EXPECT_EQ(first.activations, 1);
    Settle();
    EXPECT_EQ(first.activations, 1);

    // Another window takes the activation; showing the first again is a new
    // activation.
    second.ShowWindow();
    Settle();
    EXPECT_EQ(second.activations, 1);
    EXPECT_EQ(first.activations, 1);
    first.ShowWindow();
    Settle();
    EXPECT_EQ(first.activations, 2);
    EXPECT_EQ(second.activations, 1);
}

TEST(Activation, ActivationByTheSystemAloneRunsTheHandler) {
    CountingWindow window("Plain");
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    Settle();
    EXPECT_EQ(window.activations, 1);
}

TEST(Activation, AFailingHandlerReportsToTheCallerAndIsNotRunTwice) {
    CountingWindow window("Failing");
    window.fail = true;
    EXPECT_THROW(window.ShowWindow(), veltod::FileError);
    Settle();
    EXPECT_EQ(window.activations, 1);
    EXPECT_TRUE(window.isVisible());
}

TEST(Activation, WindowsAreBorderlessTopLevelWindows) {
    CountingWindow window("Borderless");
    EXPECT_TRUE(window.isWindow());
    EXPECT_TRUE(window.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(window.objectName(), "Borderless");
}

// The arrival notice: borderless on the skin's colours, text shown as given
// (never markup), inside the screen below its owner, and Return closes it.
TEST(SkinNotice, ShowsItsTextPlainBelowItsOwnerAndClosesOnReturn) {
    CountingWindow owner("Owner");
    owner.setGeometry(100, 100, 300, 100);
    owner.ShowWindow();
    const QString text = QStringLiteral("<b>2 new days</b> arrived: ") + QString(400, QLatin1Char('x'));
    veltod::TSkinNotice notice(&owner, QStringLiteral("UPDATE COMPLETE"), text);
    QTimer::singleShot(0, &notice, [&] {
        EXPECT_TRUE(notice.windowFlags() & Qt::FramelessWindowHint);
        EXPECT_EQ(notice.palette().color(QPalette::Window), veltod::kSkinOlive);
        EXPECT_EQ(notice.Text->text(), text);
        EXPECT_EQ(notice.Text->textFormat(), Qt::PlainText);
        const QRect screen = notice.screen()->availableGeometry();
        EXPECT_TRUE(screen.contains(notice.frameGeometry())) << notice.x() << "," << notice.y();
        EXPECT_FALSE(notice.frameGeometry().intersects(owner.frameGeometry()));
        QTest::keyClick(&notice, Qt::Key_Return);
    });
    EXPECT_EQ(notice.exec(), QDialog::Accepted);
}

TEST(SkinImage, TakesTheSizeOfEachPictureAndKeepsTheOldOneOnFailure) {
    veltod::test::ScratchInstallation installation;
    veltod::test::CopySkin(installation);
    QWidget parent;
    veltod::TSkinImage image(&parent, QStringLiteral("Image1"));
    image.LoadPicture("../Resources/fondobin.gif");
    EXPECT_EQ(image.size(), QSize(314, 71));
    image.LoadPicture("../Resources/x0.gif");
    EXPECT_EQ(image.size(), QImage(QStringLiteral("../Resources/x0.gif")).size());

    installation.Write("Resources/broken.gif", "GIF89a not really");
    EXPECT_THROW(image.LoadPicture("../Resources/broken.gif"), veltod::FileError);
    EXPECT_THROW(image.LoadPicture("../Resources/missing.gif"), veltod::FileError);
    EXPECT_EQ(image.PictureFile(), "../Resources/x0.gif");
    EXPECT_EQ(image.size(), QImage(QStringLiteral("../Resources/x0.gif")).size());
}

TEST(SkinImage, ReadsTheFileAgainAtEverySwap) {
    veltod::test::ScratchInstallation installation;
    veltod::test::CopySkin(installation);
    QWidget parent;
    veltod::TSkinImage image(&parent, QStringLiteral("Image1"));
    image.LoadPicture("../Resources/x0.gif");
    // Another picture under the same name shows at the next load.
    std::filesystem::copy_file(installation.Path("Resources/fondobin.gif"), installation.Path("Resources/x0.gif"),
                               std::filesystem::copy_options::overwrite_existing);
    image.LoadPicture("../Resources/x0.gif");
    EXPECT_EQ(image.size(), QSize(314, 71));
}

class MessageWindow : public veltod::test::WindowSetTest {
protected:
    veltod::TFormMensaje& Message() { return *windows->FormMensaje; }
};

TEST_F(MessageWindow, StandsLeftOfTheMainWindowAfterToday) {
    Start();
    EXPECT_FALSE(Message().isVisible());
    QTest::mouseClick(Main().Image1, Qt::LeftButton);
    ASSERT_TRUE(Message().isVisible());
    EXPECT_EQ(Message().pos(), QPoint(513, 12));
    EXPECT_EQ(Message().size(), QSize(197, 26));
    EXPECT_EQ(Message().Edit1->text(), "Welcome !");
    EXPECT_EQ(Message().Edit1->pos(), QPoint(8, 6));
    EXPECT_EQ(Message().Edit1->width(), 197 - 16);  // the note stays on the plate
    EXPECT_EQ(Message().Edit1->font().pixelSize(), 11);
    // Every other navigation button hides it.
    QTest::mouseClick(Main().Image3, Qt::LeftButton);
    EXPECT_FALSE(Message().isVisible());
}

TEST_F(MessageWindow, GoesBelowTheMainWindowOnASmallScreen) {
    seams.screen.Set(640, 480);
    Start();
    QTest::mouseClick(Main().Image1, Qt::LeftButton);
    EXPECT_EQ(Message().pos(), QPoint(0, Main().height() + 3));
}

TEST_F(MessageWindow, LaysOutAgainAtEveryActivation) {
    Start();
    QTest::mouseClick(Main().Image1, Qt::LeftButton);
    seams.screen.Set(800, 600);
    Message().ShowWindow();
    EXPECT_EQ(Message().pos(), QPoint(800 - 314 - 197, 12));
}

TEST_F(MessageWindow, MissingPictureKeepsPicturePlaceAndSize) {
    Start();
    QTest::mouseClick(Main().Image1, Qt::LeftButton);
    std::filesystem::remove(installation.Path("Resources/mensaje.gif"));
    seams.screen.Set(1280, 1024);
    EXPECT_THROW(Message().ShowWindow(), veltod::FileError);
    EXPECT_EQ(Message().pos(), QPoint(513, 12));
    EXPECT_EQ(Message().size(), QSize(197, 26));
    // Through the main window's button the error reaches the error box.
    QTest::mouseClick(Main().Image1, Qt::LeftButton);
    EXPECT_NE(LastError().find("mensaje.gif"), std::string::npos);
}

// Renders the two windows into the build folder for a reviewer to look at,
// and checks that what the widgets draw is the pictures they loaded.
class Rendering : public veltod::test::WindowSetTest {};

bool SameAsPicture(const QImage& rendered, QPoint at, const std::string& picture) {
    const QImage expected = QImage(QString::fromStdString(picture)).convertToFormat(QImage::Format_RGB32);
    if (expected.isNull()) return false;
    for (int y = 0; y < expected.height(); ++y)
        for (int x = 0; x < expected.width(); ++x)
            if (rendered.pixel(at.x() + x, at.y() + y) != expected.pixel(x, y)) return false;
    return true;
}

TEST_F(Rendering, MainAndMessageWindowsToPng) {
    Start();
    QTest::mouseClick(Main().Image1, Qt::LeftButton);
    QTest::mouseMove(Main().Image3);
    const std::filesystem::path folder = std::filesystem::path(std::getenv("VELTOD_STAGE")).parent_path() / "renders";
    std::filesystem::create_directories(folder);
    const QImage main_image = Main().grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QImage message_image = windows->FormMensaje->grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_TRUE(main_image.save(QString::fromStdString((folder / "main_window.png").string())));
    ASSERT_TRUE(message_image.save(QString::fromStdString((folder / "message_window.png").string())));
    EXPECT_EQ(main_image.size(), QSize(314, 71));
    EXPECT_TRUE(SameAsPicture(main_image, Main().Image1->pos(), "../Resources/Bot1.gif"));
    EXPECT_TRUE(SameAsPicture(main_image, Main().Image3->pos(), "../Resources/uBot3.gif"));
    EXPECT_TRUE(SameAsPicture(main_image, Main().Image11->pos(), "../Resources/Demo1.gif"));
    EXPECT_TRUE(SameAsPicture(main_image, Main().Image6->pos(), "../Resources/x0.gif"));
    EXPECT_FALSE(SameAsPicture(main_image, Main().Image3->pos(), "../Resources/Bot3.gif"));
    // The message is drawn in yellow on the plate.
    bool yellow_text = false;
    for (int y = 6; y < 20 && !yellow_text; ++y)
        for (int x = 8; x < 190 && !yellow_text; ++x) yellow_text = message_image.pixel(x, y) == qRgb(204, 204, 0);
    EXPECT_TRUE(yellow_text);
}

}  // namespace
