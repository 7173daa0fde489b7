#include <QApplication>
#include <QContextMenuEvent>
#include <QTest>
#include <algorithm>
#include <functional>
#include <tuple>

#include "core/platform/errors.h"
#include "support/window_set_fixture.h"
#include "ui/catalogue/FormBaseDatos.h"
#include "ui/catalogue/FormBusqueda.h"
#include "ui/catalogue/FormCategorias.h"
#include "core/catalogue/entry_details.h"
#include "core/records/record_file.h"
#include "support/catalogue_files.h"
#include "ui/catalogue/FormShowDetails.h"
#include "ui/catalogue/FormTreeFiles.h"
#include "ui/daynews/FormDayNews.h"
#include "ui/shell/DisplayPlatform.h"
#include "ui/sponsors/FormBanner1.h"
#include "ui/sponsors/FormBanner2.h"
#include "ui/sponsors/FormMensaje.h"
#include "ui/sponsors/FormRemember.h"
#include "ui/update/TransmitForm.h"

namespace {

using veltod::State;

class MainWindow : public veltod::test::WindowSetTest {
protected:
    // Visibility of the windows a navigation button decides about.
    std::string Visible() {
        veltod::TWindowSet& w = *windows;
        const std::pair<const char*, QWidget*> all[] = {
            {"DayNews", w.FormDayNews},       {"Categorias", w.FormCategorias}, {"BaseDatos", w.FormBaseDatos},
            {"Busqueda", w.FormBusqueda},     {"ShowDetails", w.FormShowDetails}, {"TreeFiles", w.FormTreeFiles},
            {"Remember", w.FormRemember},     {"Transmit", w.TransmitForm},     {"Mensaje", w.FormMensaje},
        };
        std::string shown;
        for (const auto& [name, window] : all)
            if (window && window->isVisible()) shown += std::string(shown.empty() ? "" : " ") + name;
        return shown;
    }
    void ShowEverything() {
        veltod::TWindowSet& w = *windows;
        for (QWidget* window : std::initializer_list<QWidget*>{w.FormDayNews, w.FormCategorias, w.FormBaseDatos,
                                                               w.FormBusqueda, w.FormShowDetails, w.FormTreeFiles,
                                                               w.FormRemember, w.TransmitForm, w.FormMensaje})
            window->show();
    }
    std::string Shown(veltod::TSkinImage* image) { return FileName(image->PictureFile()); }
    std::string FilterPictures() {
        return Shown(Main().Image11) + " " + Shown(Main().Image12) + " " + Shown(Main().Image13);
    }
};

TEST_F(MainWindow, StartsWithDemoSelectedAtTheTopRightAndBannersShown) {
    Start();
    EXPECT_EQ(FilterPictures(), "Demo1.gif Share0.gif Free0.gif");
    EXPECT_EQ(State().FilterMode, "1");
    EXPECT_EQ(State().ListFilterMode, "1");
    EXPECT_EQ(State().DayListFile, "../Resources/today.1cat");
    EXPECT_EQ(State().CurrentView, "NADA");
    EXPECT_TRUE(windows->FormBanner1->isVisible());
    EXPECT_TRUE(windows->FormBanner2->isVisible());
    EXPECT_EQ(startup_calls, (std::vector<std::string>{"EngineUpdateSwap"}));
    EXPECT_EQ(Main().size(), QSize(314, 71));
    EXPECT_EQ(Main().pos(), QPoint(1024 - 314, 0));
    EXPECT_EQ(Main().Image7->x(), 207 - Main().Image7->width());
    EXPECT_EQ(Main().Image12->y(), Main().Image11->y() + Main().Image11->height());
    EXPECT_EQ(Main().Image9->pos(), QPoint(104, 48));
    EXPECT_EQ(Main().Label1->text(), "Velto Download 1.3.6 35 beta");
    EXPECT_EQ(Main().windowTitle(), "VeltoD");
    EXPECT_TRUE(Main().windowFlags() & Qt::FramelessWindowHint);
}

TEST_F(MainWindow, LaterActivationsReloadNothing) {
    Start();
    const int loads = Main().Image5->LoadCount();
    const int banner_shows = windows->FormBanner1->ActivationCount();
    windows->FormBanner1->hide();
    Main().ShowWindow();
    QCoreApplication::processEvents();
    Main().ShowWindow();
    EXPECT_EQ(Main().Image5->LoadCount(), loads);
    EXPECT_EQ(windows->FormBanner1->ActivationCount(), banner_shows);
    EXPECT_FALSE(windows->FormBanner1->isVisible());
    EXPECT_EQ(startup_calls.size(), 1u);
}

TEST_F(MainWindow, CategoryMarksAreComputedWhenTheHistoricTreeFirstOpens) {
    Start();
    QTest::mouseClick(Main().Image3, Qt::LeftButton);
    QTest::mouseClick(Main().Image3, Qt::LeftButton);
    EXPECT_EQ(startup_calls, (std::vector<std::string>{"EngineUpdateSwap", "ComputeCategoryMarks"}));
}

TEST_F(MainWindow, WindowsTheFirstPageDoesNotNeedAreMadeWhenFirstOpened) {
    windows = std::make_unique<veltod::TProgramWindows>();
    windows->CreateStartWindows();
    Main().ShowWindow();
    veltod::TWindowSet& w = *windows;
    EXPECT_EQ(Visible(), "");
    const std::tuple<veltod::TSkinButton*, std::function<QWidget*()>, const char*> opened[] = {
        {Main().Image2, [&w] { return w.FormCategorias; }, "Categorias"},
        {Main().Image3, [&w] { return w.FormBaseDatos; }, "BaseDatos"},
        {Main().Image4, [&w] { return w.FormBusqueda; }, "Busqueda"},
        {Main().Image9, [&w] { return w.TransmitForm; }, "Transmit"},
    };
    for (const auto& [button, window, name] : opened) {
        EXPECT_EQ(window(), nullptr) << name;
        QTest::mouseClick(button, Qt::LeftButton);
        EXPECT_EQ(Visible(), name);
    }
    EXPECT_EQ(w.FormRemember, nullptr);
    Main().LinksMemory1->trigger();
    EXPECT_EQ(Visible(), "Remember Transmit");

    // The details window comes with the first entry shown.
    EXPECT_EQ(w.FormShowDetails, nullptr);
    veltod::RecordTable entries;
    veltod::ParseRecordBytes(veltod::test::EntryList({veltod::test::Entry("first", "5")}), entries);
    veltod::ShowEntryDetails(entries, 0, 100, 600);
    ASSERT_NE(w.FormShowDetails, nullptr);
    EXPECT_TRUE(w.FormShowDetails->isVisible());
}

TEST_F(MainWindow, EveryPictureOfTheFirstPageIsOneTheStartDecodesAhead) {
    Start();
    Main().Image1Click();
    std::vector<const veltod::TSkinImage*> images = {
        Main().Image5,  Main().Image1,  Main().Image2,  Main().Image3,
        Main().Image4,  Main().Image8,  Main().Image9,  Main().Image11,
        Main().Image12, Main().Image13, Main().Image6,  Main().Image7,
        windows->FormMensaje->Image1, windows->FormBanner1->Image1, windows->FormBanner2->Image1};
    for (const veltod::TSkinImage* row : windows->FormDayNews->Images)
        if (row && row->isVisible()) images.push_back(row);
    const std::vector<std::string> ahead = veltod::TProgramWindows::StartPictures(veltod::DiskFileProbe());
    for (const veltod::TSkinImage* image : images) {
        ASSERT_FALSE(image->PictureFile().empty()) << image->objectName().toStdString();
        EXPECT_NE(std::find(ahead.begin(), ahead.end(), image->PictureFile()), ahead.end()) << image->PictureFile();
    }
}

TEST_F(MainWindow, FailedFirstActivationRunsWholeAgainWithoutWalkingLeft) {
    Create();
    const std::string bot3 = installation.Path("Resources/Bot3.gif");
    std::filesystem::rename(bot3, bot3 + ".away");
    EXPECT_THROW(Main().ShowWindow(), veltod::FileError);
    EXPECT_EQ(State().MainActivated, 0);
    EXPECT_FALSE(windows->FormBanner1->isVisible());
    std::filesystem::rename(bot3 + ".away", bot3);
    Main().ShowWindow();
    EXPECT_EQ(State().MainActivated, veltod::kDone);
    EXPECT_EQ(Main().pos(), QPoint(1024 - 314, 0));
    EXPECT_EQ(startup_calls.size(), 2u);  // the update check twice
}

TEST_F(MainWindow, NavigationButtonsShowOneWindowAndHideTheirSet) {
    Start();
    ShowEverything();
    QTest::mouseClick(Main().Image1, Qt::LeftButton);
    EXPECT_EQ(Visible(), "DayNews Mensaje");
    EXPECT_EQ(State().CurrentView, "FORMDAYNEWS");

    ShowEverything();
    QTest::mouseClick(Main().Image2, Qt::LeftButton);
    EXPECT_EQ(Visible(), "Categorias");
    EXPECT_EQ(State().CurrentView, "FORMCATEGORIAS");

    ShowEverything();
    QTest::mouseClick(Main().Image3, Qt::LeftButton);
    EXPECT_EQ(Visible(), "BaseDatos");
    EXPECT_EQ(State().CurrentView, "FORMBASEDATOS");

    ShowEverything();
    QTest::mouseClick(Main().Image4, Qt::LeftButton);
    EXPECT_EQ(Visible(), "Busqueda");
    EXPECT_EQ(State().CurrentView, "BUSQUEDA");

    ShowEverything();
    windows->TransmitForm->Edit1->setText("old status");
    // "Use Proxy" without a server stops the update run before any request,
    // with the window left open.
    windows->TransmitForm->CheckBox1->setChecked(true);
    windows->TransmitForm->Edit2->clear();
    QTest::mouseClick(Main().Image8, Qt::LeftButton);
    EXPECT_EQ(Visible(), "Transmit");
    EXPECT_EQ(State().CurrentView, "ACTUALIZAR");
    EXPECT_TRUE(windows->TransmitForm->Edit1->text().isEmpty());

    // Settings leaves an open transmit window open and starts no run: the
    // status line is left as it is.
    ShowEverything();
    windows->TransmitForm->Edit1->setText("kept");
    QTest::mouseClick(Main().Image9, Qt::LeftButton);
    EXPECT_EQ(Visible(), "Transmit");
    EXPECT_EQ(windows->TransmitForm->Edit1->text(), "kept");
}

TEST_F(MainWindow, ListWindowsGetTheFilterModeBeforeTheyShow) {
    Start();
    QTest::mousePress(Main().Image13, Qt::LeftButton);
    QTest::mouseClick(Main().Image2, Qt::LeftButton);
    EXPECT_EQ(windows->FormCategorias->WindowMode, "3");
    QTest::mouseClick(Main().Image3, Qt::LeftButton);
    EXPECT_EQ(windows->FormBaseDatos->WindowMode, "3");
    QTest::mouseClick(Main().Image4, Qt::LeftButton);
    EXPECT_EQ(windows->FormBusqueda->WindowMode, "3");
    QTest::mouseClick(Main().Image1, Qt::LeftButton);
    EXPECT_EQ(windows->FormDayNews->WindowMode, "3");
    EXPECT_EQ(State().DayListFile, "../Resources/today.3cat");
}

TEST_F(MainWindow, DayNewsButtonAgainResetsTheLoadedFlag) {
    Start();
    QTest::mouseClick(Main().Image1, Qt::LeftButton);
    State().DayNewsLoaded = veltod::kDone;
    windows->FormMensaje->hide();
    // The reset flag makes the activation that follows the click read the
    // list again, so a list written meanwhile shows at once.
    installation.Write("Resources/today.1cat", "14\r\nNew program\r\n" + std::string(13, '\n'));
    QTest::mouseClick(Main().Image1, Qt::LeftButton);
    EXPECT_EQ(State().DayNewsLoaded, veltod::kDone);
    EXPECT_EQ(windows->FormDayNews->Model().EntryCount(), 1u);
    EXPECT_EQ(windows->FormDayNews->Labels[0]->text(), "New program");
    EXPECT_TRUE(windows->FormMensaje->isVisible());
}

TEST_F(MainWindow, FilterWithNoContentWindowOnlySwapsPictures) {
    Start();
    veltod::TFormDayNews* day_news = windows->FormDayNews;
    windows->FormShowDetails->show();
    windows->FormTreeFiles->show();
    QTest::mousePress(Main().Image12, Qt::LeftButton);
    EXPECT_EQ(FilterPictures(), "Demo0.gif Share1.gif Free0.gif");
    EXPECT_EQ(State().FilterMode, "2");
    EXPECT_EQ(State().ListFilterMode, "2");
    EXPECT_EQ(State().CurrentView, "NADA");
    EXPECT_EQ(windows->FormDayNews, day_news);
    EXPECT_FALSE(windows->FormDayNews->isVisible());
    EXPECT_FALSE(windows->FormShowDetails->isVisible());
    EXPECT_FALSE(windows->FormTreeFiles->isVisible());
    QTest::mouseClick(Main().Image1, Qt::LeftButton);
    EXPECT_EQ(State().DayListFile, "../Resources/today.2cat");
    // Pressing the selected one again keeps it selected.
    QTest::mousePress(Main().Image12, Qt::LeftButton);
    EXPECT_EQ(FilterPictures(), "Demo0.gif Share1.gif Free0.gif");
}

TEST_F(MainWindow, FilterRebuildsTheOpenListWindow) {
    Start();
    QTest::mouseClick(Main().Image1, Qt::LeftButton);
    veltod::TFormDayNews* old_day_news = windows->FormDayNews;
    windows->FormShowDetails->show();
    QTest::mousePress(Main().Image13, Qt::LeftButton);
    EXPECT_NE(windows->FormDayNews, old_day_news);
    EXPECT_TRUE(windows->FormDayNews->isVisible());
    EXPECT_FALSE(old_day_news->isVisible());
    EXPECT_EQ(windows->FormDayNews->WindowMode, "3");
    EXPECT_EQ(State().DayListFile, "../Resources/today.3cat");
    EXPECT_FALSE(windows->FormShowDetails->isVisible());
    EXPECT_EQ(State().CurrentView, "FORMDAYNEWS");

    QTest::mouseClick(Main().Image2, Qt::LeftButton);
    veltod::TFormCategorias* old_categories = windows->FormCategorias;
    QTest::mousePress(Main().Image11, Qt::LeftButton);
    EXPECT_NE(windows->FormCategorias, old_categories);
    EXPECT_TRUE(windows->FormCategorias->isVisible());
    EXPECT_EQ(windows->FormCategorias->WindowMode, "1");

    QTest::mouseClick(Main().Image3, Qt::LeftButton);
    veltod::TFormBaseDatos* old_database = windows->FormBaseDatos;
    QTest::mousePress(Main().Image12, Qt::LeftButton);
    EXPECT_NE(windows->FormBaseDatos, old_database);
    EXPECT_TRUE(windows->FormBaseDatos->isVisible());
    EXPECT_EQ(windows->FormBaseDatos->WindowMode, "2");
}

TEST_F(MainWindow, FilterDuringSearchListsTheResultsOfTheNewKind) {
    Start();
    QTest::mouseClick(Main().Image4, Qt::LeftButton);
    veltod::TFormDayNews* old_day_news = windows->FormDayNews;
    veltod::TFormBusqueda* search = windows->FormBusqueda;
    QTest::mousePress(Main().Image13, Qt::LeftButton);
    EXPECT_EQ(State().DayListFile, "../Resources/Encontro.3cat");
    EXPECT_EQ(State().ListFilterMode, "3");
    EXPECT_NE(windows->FormDayNews, old_day_news);
    EXPECT_TRUE(windows->FormDayNews->isVisible());
    EXPECT_EQ(windows->FormBusqueda, search);
    EXPECT_TRUE(search->isVisible());
    EXPECT_EQ(State().CurrentView, "BUSQUEDA");
}

TEST_F(MainWindow, FilterNeedsTheLeftButton) {
    Start();
    QTest::mousePress(Main().Image12, Qt::RightButton);
    EXPECT_EQ(State().FilterMode, "1");
}

TEST_F(MainWindow, HoverSwapsFollowTheMouse) {
    Start();
    veltod::TFormNetFiles& m = Main();
    QTest::mouseMove(m.Image2);
    EXPECT_EQ(Shown(m.Image2), "uBot2.gif");
    const int loads = m.Image2->LoadCount();
    QTest::mouseMove(m.Image2, QPoint(3, 3));
    QTest::mouseMove(m.Image2, QPoint(20, 5));
    EXPECT_EQ(m.Image2->LoadCount(), loads);

    QTest::mouseMove(m.Image9);
    EXPECT_EQ(Shown(m.Image2), "Bot2.gif");
    EXPECT_EQ(Shown(m.Image9), "uBot9.gif");
    EXPECT_EQ(m.Image9->SkinState(), "ARRIBA");
    EXPECT_EQ(m.Image2->SkinState(), "ABAJO");

    // The filter pictures are not a reset source: the button stays lit.
    QTest::mouseMove(m.Image12);
    EXPECT_EQ(Shown(m.Image9), "uBot9.gif");

    QTest::mouseMove(m.Image7);
    EXPECT_EQ(Shown(m.Image7), "-1.gif");
    QTest::mouseMove(m.Image6);
    EXPECT_EQ(Shown(m.Image6), "x1.gif");
    EXPECT_EQ(Shown(m.Image7), "-0.gif");
    EXPECT_EQ(Shown(m.Image9), "uBot9.gif");

    // The background resets every button of the window.
    QTest::mouseMove(m.Image5, QPoint(300, 5));
    EXPECT_EQ(Shown(m.Image9), "Bot9.gif");
    EXPECT_EQ(Shown(m.Image6), "x0.gif");
    EXPECT_EQ(m.Image6->SkinState(), "abajo");
    for (auto* button : {m.Image1, m.Image2, m.Image3, m.Image4, m.Image8, m.Image9})
        EXPECT_EQ(button->SkinState(), "ABAJO");
}

TEST_F(MainWindow, PressOnCloseAndReleaseOutsideKeepsTheWindow) {
    Start();
    veltod::TFormNetFiles& m = Main();
    QTest::mouseMove(m.Image6);
    QTest::mousePress(m.Image6, Qt::LeftButton);
    EXPECT_EQ(Shown(m.Image6), "x2.gif");
    EXPECT_EQ(m.Image6->SkinState(), "arriba");
    QTest::mouseRelease(m.Image6, Qt::LeftButton, {}, QPoint(-30, 40));
    EXPECT_EQ(Shown(m.Image6), "x0.gif");
    EXPECT_EQ(m.Image6->SkinState(), "abajo");
    EXPECT_TRUE(m.isVisible());

    QTest::mouseClick(m.Image6, Qt::LeftButton);
    EXPECT_FALSE(m.isVisible());
}

TEST_F(MainWindow, MinimiseMinimisesEveryOpenWindow) {
    Start();
    QTest::mouseClick(Main().Image7, Qt::LeftButton);
    EXPECT_TRUE(Main().isMinimized());
    EXPECT_TRUE(windows->FormBanner1->isMinimized());
    EXPECT_TRUE(Main().isVisible());
    // Restoring the main window brings back the set it took down.
    Main().showNormal();
    EXPECT_FALSE(windows->FormBanner1->isMinimized());
    EXPECT_TRUE(windows->FormBanner1->isVisible());
}

// A hover note longer than the message plate lost its start: it now shows
// its start, elides its end and keeps the whole text in the tool tip.
TEST_F(MainWindow, ALongHoverNoteShowsItsStartOnThePlate) {
    Start();
    QTest::mouseClick(Main().Image1, Qt::LeftButton);
    veltod::TFormMensaje& plate = *windows->FormMensaje;
    const QString note = QStringLiteral("A hover note much longer than the message plate can ever hold in one line");
    plate.SetMessage(note);
    const QString shown = plate.Edit1->text();
    EXPECT_TRUE(shown.startsWith("A hover note")) << shown.toStdString();
    EXPECT_TRUE(shown.endsWith(QChar(0x2026)));
    EXPECT_LE(plate.Edit1->geometry().right(), plate.width());
    EXPECT_EQ(plate.toolTip(), note);
    plate.SetMessage(QStringLiteral("Short"));
    EXPECT_EQ(plate.Edit1->text(), "Short");
    EXPECT_EQ(plate.toolTip(), "");
}

// A window whose picture fails shows its own error once and is left out;
// the window that showed it goes on as if it were absent.
TEST_F(MainWindow, AFailingWindowShowsItsOwnErrorAndTheOthersGoOn) {
    Start();
    std::filesystem::remove(installation.Path("Resources/mensaje.gif"));
    QTest::mouseClick(Main().Image1, Qt::LeftButton);
    ASSERT_EQ(seams.dialogs.shown.size(), 1u);
    EXPECT_NE(LastError().find("mensaje.gif"), std::string::npos);
    EXPECT_EQ(Visible(), "DayNews");
    // Hovering the day news no longer calls on the failed message window.
    EXPECT_TRUE(windows->FormMensaje->Unusable());

    std::filesystem::remove(installation.Path("Resources/buscar.gif"));
    QTest::mouseClick(Main().Image4, Qt::LeftButton);
    ASSERT_EQ(seams.dialogs.shown.size(), 2u);
    EXPECT_NE(LastError().find("buscar.gif"), std::string::npos);
    EXPECT_EQ(Visible(), "");
}

TEST_F(MainWindow, MissingPictureStopsTheHandlerAndKeepsTheState) {
    Start();
    std::filesystem::remove(installation.Path("Resources/uBot4.gif"));
    QTest::mouseMove(Main().Image4);
    ASSERT_FALSE(seams.dialogs.shown.empty());
    EXPECT_EQ(seams.dialogs.shown.back().kind, "error");
    EXPECT_NE(LastError().find("uBot4.gif"), std::string::npos);
    EXPECT_EQ(Main().Image4->SkinState(), "ABAJO");
    EXPECT_EQ(Shown(Main().Image4), "Bot4.gif");

    std::filesystem::remove(installation.Path("Resources/Share1.gif"));
    QTest::mousePress(Main().Image12, Qt::LeftButton);
    EXPECT_EQ(State().FilterMode, "1");
}

TEST_F(MainWindow, PopupMenuOpensTheLinksMemory) {
    Start();
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(10, 15), Main().mapToGlobal(QPoint(10, 15)));
    QApplication::sendEvent(Main().Image1, &event);
    EXPECT_TRUE(Main().PopupMenu1->isVisible());
    EXPECT_EQ(Main().LinksMemory1->text(), "Links Memory");
    Main().PopupMenu1->hide();
    windows->FormMensaje->show();
    Main().LinksMemory1->trigger();
    EXPECT_TRUE(windows->FormRemember->isVisible());
    EXPECT_TRUE(windows->FormMensaje->isVisible());
}

// A fault of a second tour: after Cancel the restarted program opened on
// nothing and said nothing.
TEST_F(MainWindow, ACopyRestartedByCancelReopensTheDayNewsAndSaysTheUpdateWasCancelled) {
    installation.Write("Resources/today.2cat", "14\r\n");
    qputenv("VELTOD_OPEN_BEFORE_UPDATE", "FORMDAYNEWS 2");
    Start();
    EXPECT_TRUE(qgetenv("VELTOD_OPEN_BEFORE_UPDATE").isEmpty());
    EXPECT_TRUE(windows->FormDayNews->isVisible());
    EXPECT_EQ(State().FilterMode, "2");
    EXPECT_EQ(State().DayListFile, "../Resources/today.2cat");
    EXPECT_EQ(FilterPictures(), "Demo0.gif Share1.gif Free0.gif");
    ASSERT_FALSE(seams.dialogs.shown.empty());
    EXPECT_EQ(seams.dialogs.shown.back().title, "UPDATE CANCELLED");

    // Any other view: only the notice.
    windows.reset();
    seams.dialogs.shown.clear();
    State() = veltod::ProcessState{};
    qputenv("VELTOD_OPEN_BEFORE_UPDATE", "NADA 1");
    Start();
    EXPECT_FALSE(windows->FormDayNews->isVisible());
    ASSERT_EQ(seams.dialogs.shown.size(), 1u);
    EXPECT_EQ(seams.dialogs.shown[0].title, "UPDATE CANCELLED");
}

}  // namespace

namespace {

// Where the desktop places the windows (a Wayland client) the message window
// says so, shown with its note; through X it stays hidden with its welcome.
TEST_F(MainWindow, TheMessageWindowSaysWhenTheDesktopPlacesTheWindows) {
    struct Case {
        const char* platform;
        bool noted;
    };
    for (const Case& c : {Case{"xcb", false}, Case{"offscreen", false}, Case{"wayland", true}}) {
        SCOPED_TRACE(c.platform);
        windows.reset();
        State() = veltod::ProcessState{};
        Start();
        veltod::NoteWhoPlacesTheWindows(*windows, QString::fromLatin1(c.platform));
        veltod::TFormMensaje& plate = *windows->FormMensaje;
        EXPECT_EQ(plate.isVisible(), c.noted);
        const QString whole = plate.toolTip().isEmpty() ? plate.Edit1->text() : plate.toolTip();
        EXPECT_EQ(whole, c.noted ? veltod::DesktopPlacesWindowsNote() : QStringLiteral("Welcome !"));
        EXPECT_TRUE(LastError().empty()) << LastError();
    }
}

}  // namespace
