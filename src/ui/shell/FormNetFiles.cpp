#include "ui/shell/FormNetFiles.h"

#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QShortcut>

#include "core/platform/errors.h"
#include "core/platform/file_io.h"
#include "core/platform/seams.h"
#include "core/platform/stored_files.h"
#include "core/shell/startup_hooks.h"
#include "core/skin/screen_layout.h"
#include "core/update/update_lock.h"
#include "core/update/run_control.h"
#include "core/update/update_state.h"
#include "core/view/process_state.h"
#include "ui/catalogue/FormBaseDatos.h"
#include "ui/catalogue/FormBusqueda.h"
#include "ui/catalogue/FormCategorias.h"
#include "ui/catalogue/FormShowDetails.h"
#include "ui/catalogue/FormTreeFiles.h"
#include "ui/daynews/FormDayNews.h"
#include "ui/skin/Pressable.h"
#include "ui/skin/ReportedError.h"
#include "ui/skin/SkinFonts.h"
#include "ui/sponsors/FormBanner1.h"
#include "ui/sponsors/FormBanner2.h"
#include "ui/sponsors/FormMensaje.h"
#include "ui/sponsors/FormRemember.h"
#include "ui/update/TransmitForm.h"
#include "ui/view/WindowSet.h"

namespace veltod {
namespace {

// Cancel restarts the program in the middle of the run: the copy that
// follows learns from its parent what was open, to open it again and to say
// that the update was cancelled. Only a restarted copy finds it set.
const char* const kOpenBeforeUpdate = "VELTOD_OPEN_BEFORE_UPDATE";

std::string Picture(const std::string& name) { return ResourcePicture(name); }

// Shown by the first activation: the background, the navigation, filter,
// minimise and close buttons.
constexpr const char* kActivationPictures[] = {"fondobin.gif", "Bot1.gif",  "Bot2.gif",   "Bot3.gif",  "Bot4.gif", "Bot8.gif",
                                               "Bot9.gif",     "Demo1.gif", "Share0.gif", "Free0.gif", "x0.gif",   "-0.gif"};

// What says which days are applied; empty when it cannot be read.
std::string AppliedDays() {
    try {
        return FileExists(kLastAppliedFile) ? ReadWholeFile(kLastAppliedFile) : std::string();
    } catch (const Error&) {
        return {};
    }
}

// A list window of the current licence kind takes the place of every other
// content window, the message window included.
template <class ListWindow>
void ShowListWindow(ListWindow* shown, const char* view) {
    TWindowSet& w = Windows();
    QWidget* const content[] = {w.FormBaseDatos,   w.FormCategorias, w.FormDayNews,
                                w.FormBusqueda,    w.FormShowDetails, w.FormTreeFiles,
                                w.FormRemember,    w.TransmitForm,    w.FormMensaje};
    for (QWidget* window : content)
        if (window && window != shown) window->hide();
    shown->WindowMode = State().FilterMode;
    shown->ShowWindow();
    State().CurrentView = view;
}

}  // namespace

// GCC 12 at -O3 reports a false -Wrestrict in std::string code inlined here (GCC bug 105329).
#pragma GCC diagnostic push
#ifndef __clang__  // clang has no such warning
#pragma GCC diagnostic ignored "-Wrestrict"
#endif
TFormNetFiles::TFormNetFiles() : TSkinWindow(QStringLiteral("FormNetFiles"), kSkinOlive, QStringLiteral("VeltoD")) {

    Image5 = new TSkinImage(this, QStringLiteral("Image5"));
    Label1 = new QLabel(QString::fromLatin1(kVersionText), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Label1->setAttribute(Qt::WA_TranslucentBackground);
    Label1->setAttribute(Qt::WA_TransparentForMouseEvents);
    // The label stands 2 pixels above the window's top; its text starts
    // below that edge, so no letter is cut.
    Label1->setContentsMargins(0, 2, 0, 0);
    Label1->setFont(SkinBoldFont(10));
    QPalette colours = Label1->palette();
    colours.setColor(QPalette::WindowText, kSkinYellow);
    Label1->setPalette(colours);

    struct Navigation {
        TSkinButton*& button;
        const char* name;
        const char* picture;
        void (TFormNetFiles::*click)();
        const char* spoken;
        QKeySequence keys;
    };
    // The keys work from every window of the program, as a menu's would.
    const Navigation buttons[] = {
        {Image1, "Image1", "Bot1", &TFormNetFiles::Image1Click, "Today", QKeySequence(Qt::CTRL | Qt::Key_1)},
        {Image2, "Image2", "Bot2", &TFormNetFiles::Image2Click, "Week news", QKeySequence(Qt::CTRL | Qt::Key_2)},
        {Image3, "Image3", "Bot3", &TFormNetFiles::Image3Click, "Historic database", QKeySequence(Qt::CTRL | Qt::Key_3)},
        {Image4, "Image4", "Bot4", &TFormNetFiles::Image4Click, "Search", QKeySequence(QKeySequence::Find)},
        {Image8, "Image8", "Bot8", &TFormNetFiles::Image8Click, "Update now", QKeySequence(Qt::CTRL | Qt::Key_U)},
        {Image9, "Image9", "Bot9", &TFormNetFiles::Image9Click, "Connection settings",
         QKeySequence(Qt::CTRL | Qt::Key_Comma)},
    };
    for (size_t i = 0; i < std::size(buttons); ++i) {
        const Navigation& entry = buttons[i];
        entry.button = new TSkinButton(this, QString::fromLatin1(entry.name));
        entry.button->SetSkin(kNavigationFamily, Picture(std::string(entry.picture) + ".gif"),
                              Picture("u" + std::string(entry.picture) + ".gif"));
        entry.button->SetSkinState(kNavigationFamily.normal_state);
        entry.button->setCursor(Qt::PointingHandCursor);
        navigation_[i] = entry.button;
        entry.button->OnMouseMove = [this, i] { HoverGroup(navigation_, i); };
        entry.button->OnClick = [this, click = entry.click] { (this->*click)(); };
        const QString spoken = QString::fromLatin1(entry.spoken);
        MakePressable(entry.button, {.role = QAccessible::Button,
                                     .name = spoken,
                                     .press = entry.button->OnClick,
                                     .hover = entry.button->OnMouseMove,
                                     .leave = [button = entry.button] { button->Reset(); }});
        entry.button->setToolTip(spoken + QStringLiteral(" (") + entry.keys.toString(QKeySequence::NativeText) +
                                 QStringLiteral(")"));
        auto* shortcut = new QShortcut(entry.keys, this);
        shortcut->setContext(Qt::ApplicationShortcut);
        connect(shortcut, &QShortcut::activated, this, [this, click = entry.click] { (this->*click)(); });
    }

    Image11 = new TSkinImage(this, QStringLiteral("Image11"));
    Image12 = new TSkinImage(this, QStringLiteral("Image12"));
    Image13 = new TSkinImage(this, QStringLiteral("Image13"));
    // The filter acts on the press itself, not on a click.
    Image11->OnMouseDown = [this](Qt::MouseButton button) {
        if (button == Qt::LeftButton) Image11MouseDown();
    };
    Image12->OnMouseDown = [this](Qt::MouseButton button) {
        if (button == Qt::LeftButton) Image12MouseDown();
    };
    Image13->OnMouseDown = [this](Qt::MouseButton button) {
        if (button == Qt::LeftButton) Image13MouseDown();
    };
    MakePressable(Image11, {.role = QAccessible::CheckBox, .press = [this] { Image11MouseDown(); }});
    MakePressable(Image12, {.role = QAccessible::CheckBox, .press = [this] { Image12MouseDown(); }});
    MakePressable(Image13, {.role = QAccessible::CheckBox, .press = [this] { Image13MouseDown(); }});
    NameFilters("1");

    Image6 = new TSkinCloseButton(this, QStringLiteral("Image6"), TSkinCloseButton::Kind::Close, [this] { Image6Click(); });
    Image7 = new TSkinCloseButton(this, QStringLiteral("Image7"), TSkinCloseButton::Kind::Minimise,
                                  [this] { Image7Click(); });
    Image6->SetPartner(Image7);
    Image7->SetPartner(Image6);
    // Reading order: the two columns of navigation, minimise, close, then the filter.
    const QList<QWidget*> tab_order{Image1, Image2, Image3, Image4, Image8, Image9, Image7, Image6, Image11, Image12, Image13};
    for (qsizetype i = 1; i < tab_order.size(); ++i) setTabOrder(tab_order[i - 1], tab_order[i]);

    Image5->OnMouseMove = [this] { ResetAllButtons(); };

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    LinksMemory1 = PopupMenu1->addAction(QStringLiteral("Links Memory"));
    LinksMemory1->setObjectName(QStringLiteral("LinksMemory1"));
    connect(LinksMemory1, &QAction::triggered, this, [this] { LinksMemory1Click(); });

    // Any window of the program becoming the active one is a coming back.
    connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState now) {
        if (now == Qt::ApplicationActive && State().MainActivated == kDone) ShowDaysArrivedMeanwhile();
    });

    // FormCreate.
    ProcessState& state = State();
    state.FilterMode = "1";
    state.ListFilterMode = "1";
    state.CategoryMarksLoaded = "no";
    const std::string key = CurrentLayoutKey();
    creation_left_ = LayoutLeft("FormNetFiles", key);
    move(creation_left_, LayoutTop("FormNetFiles", key));
}

std::vector<std::string> TFormNetFiles::ActivationPictures() {
    std::vector<std::string> pictures;
    for (const char* name : kActivationPictures) pictures.push_back(Picture(name));
    return pictures;
}

void TFormNetFiles::FormActivate() {
    ProcessState& state = State();
    if (state.MainActivated == kDone) {
        ShowDaysArrivedMeanwhile();
        return;
    }
    state.FilterMode = "1";
    state.ListFilterMode = "1";
    StartupHooks& hooks = TheStartupHooks();
    // A failed swap step or start-up pass leaves the files for the next start
    // and the catalogue as it was: the user is told and the program goes on.
    if (hooks.EngineUpdateSwap) RunReported(hooks.EngineUpdateSwap);

    Image5->LoadPicture(Picture("fondobin.gif"));
    Image5->move(0, 0);
    // The layout table gives the right edge. Measured from the creation-time
    // value, so a first activation that is repeated after an error does not
    // move the window further left each time. Size and place in one step: a
    // resize and then a move showed the window for a moment beyond the
    // screen's right edge.
    setGeometry(creation_left_ - Image5->width(), y(), Image5->width(), Image5->height());

    Image1->LoadPicture(Picture("Bot1.gif"));
    Image2->LoadPicture(Picture("Bot2.gif"));
    Image3->LoadPicture(Picture("Bot3.gif"));
    Image4->LoadPicture(Picture("Bot4.gif"));
    Image8->LoadPicture(Picture("Bot8.gif"));
    Image9->LoadPicture(Picture("Bot9.gif"));
    for (SkinButton* button : navigation_) button->SetSkinState(kNavigationFamily.normal_state);

    Label1->adjustSize();
    Label1->move(5, -2);
    Image1->move(8, 12);
    Image2->move(8, 30);
    Image3->move(8, 48);
    Image4->move(104, 12);
    Image8->move(104, 30);
    Image9->move(104, 48);
    Image11->LoadPicture(Picture("Demo1.gif"));
    Image12->LoadPicture(Picture("Share0.gif"));
    Image13->LoadPicture(Picture("Free0.gif"));
    Image11->move(235, 20);
    Image12->move(235, Image11->y() + Image11->height());
    Image13->move(235, Image12->y() + Image12->height());
    Image6->LoadPicture(Picture("x0.gif"));
    Image7->LoadPicture(Picture("-0.gif"));
    Image6->move(207, 12);
    Image7->move(207 - Image7->width(), 12);

    state.CurrentView = "NADA";
    applied_seen_ = AppliedDays();
    Windows().FormBanner1->ShowWindow();
    Windows().FormBanner2->ShowWindow();
    state.MainActivated = kDone;
    ResumeAfterCancel();
}
#pragma GCC diagnostic pop

void TFormNetFiles::ResetAllButtons() {
    ResetSkinButtons(navigation_);
    Image6->Reset();
    Image7->Reset();
}

void TFormNetFiles::Image1Click() {
    ProcessState& state = State();
    TWindowSet& w = Windows();
    state.DayListFile = TodayListPath(state.FilterMode);
    state.DayNewsLoaded = 0;
    HideAll({w.FormBaseDatos, w.FormCategorias, w.FormBusqueda, w.FormShowDetails, w.FormTreeFiles, w.FormRemember,
             w.TransmitForm});
    // The message window reports its own failure; the day news comes anyway.
    RunReported([&w] { w.FormMensaje->ShowWindow(); });
    w.FormDayNews->WindowMode = state.FilterMode;
    state.CurrentView = "FORMDAYNEWS";
    w.FormDayNews->ShowWindow();
}

void TFormNetFiles::Image2Click() { ShowListWindow(&EnsureWindow(Windows().FormCategorias), "FORMCATEGORIAS"); }

void TFormNetFiles::Image3Click() {
    // The historic tree is the one reader of the category marks, so they are
    // computed when it is first opened rather than at every start. A failure
    // is reported and the tree shows what marks there are.
    StartupHooks& hooks = TheStartupHooks();
    if (State().CategoryMarksLoaded == "no" && hooks.ComputeCategoryMarks) RunReported(hooks.ComputeCategoryMarks);
    ShowListWindow(&EnsureWindow(Windows().FormBaseDatos), "FORMBASEDATOS");
}

void TFormNetFiles::Image4Click() { ShowListWindow(&EnsureWindow(Windows().FormBusqueda), "BUSQUEDA"); }

void TFormNetFiles::Image8Click() {
    TWindowSet& w = Windows();
    const std::string view_before = State().CurrentView;
    // A press during a run only brings the transfer window forward: hiding
    // it would save the settings and reset the run's status line and trace.
    TTransmitForm& transmit = EnsureWindow(w.TransmitForm);
    if (TheUpdateState().RunInProgress) {
        transmit.show();
        transmit.raise();
        transmit.activateWindow();
        return;
    }
    // The run ends with the day news; the mouse has not crossed the
    // background since it pressed Update, so nothing else resets that button.
    transmit.OnDaysArrived = [this] {
        ResetSkinButtons(navigation_);
        Image1Click();
    };
    HideAll({w.FormBaseDatos, w.FormCategorias, w.FormDayNews, w.FormShowDetails, w.FormTreeFiles, w.FormRemember,
             w.FormBusqueda, &transmit, w.FormMensaje});
    transmit.ShowWindow();
    State().CurrentView = "ACTUALIZAR";
    transmit.Edit1->clear();
    transmit.HideViewer();
    std::string open_before = view_before == "FORMDAYNEWS" ? "FORMDAYNEWS " : "NADA ";
    open_before += State().FilterMode;
    qputenv(kOpenBeforeUpdate, QByteArray::fromStdString(open_before));
    transmit.Button1Click(this);
    // What the button's run applied it has shown itself.
    applied_seen_ = AppliedDays();
    qunsetenv(kOpenBeforeUpdate);
}

void TFormNetFiles::ResumeAfterCancel() {
    const QByteArray open_before = qgetenv(kOpenBeforeUpdate);
    if (open_before.isEmpty()) return;
    qunsetenv(kOpenBeforeUpdate);
    const QList<QByteArray> words = open_before.split(' ');
    const std::string mode = words.size() == 2 ? words[1].toStdString() : "";
    if (words[0] == "FORMDAYNEWS" && (mode == "1" || mode == "2" || mode == "3")) {
        if (mode != State().FilterMode) FilterMouseDown(mode);
        Image1Click();
    }
    TheDialogs().Notice("UPDATE CANCELLED", std::string(UpdateCancelled::kUpdateCancelledText) +
                                                " What had arrived before Cancel is kept.");
}

void TFormNetFiles::Image9Click() {
    TWindowSet& w = Windows();
    HideAll({w.FormBaseDatos, w.FormCategorias, w.FormDayNews, w.FormShowDetails, w.FormTreeFiles, w.FormRemember,
             w.FormBusqueda, w.FormMensaje});
    TTransmitForm& transmit = EnsureWindow(w.TransmitForm);
    transmit.ShowWindow();
    State().CurrentView = "ACTUALIZAR";
    transmit.HideViewer();
    if (transmit.CheckBox1->isChecked())
        transmit.Edit2->setFocus();
    else
        transmit.CheckBox1->setFocus();
}

void TFormNetFiles::ShowFilterPictures(const std::string& mode) {
    Image11->LoadPicture(Picture(mode == "1" ? "Demo1.gif" : "Demo0.gif"));
    Image12->LoadPicture(Picture(mode == "2" ? "Share1.gif" : "Share0.gif"));
    Image13->LoadPicture(Picture(mode == "3" ? "Free1.gif" : "Free0.gif"));
    NameFilters(mode);
}

void TFormNetFiles::NameFilters(const std::string& mode) {
    const std::pair<TSkinImage*, const char*> filters[] = {{Image11, "1"}, {Image12, "2"}, {Image13, "3"}};
    const char* const names[] = {"Demo filter", "Share filter", "Free filter"};
    for (size_t i = 0; i < std::size(filters); ++i) {
        const bool selected = mode == filters[i].second;
        RenamePressable(filters[i].first,
                        QString::fromLatin1(names[i]) + (selected ? QStringLiteral(", selected") : QString()));
        SetPressableChecked(filters[i].first, selected);
    }
}

void TFormNetFiles::FilterMouseDown(const std::string& mode) {
    ShowFilterPictures(mode);
    ProcessState& state = State();
    state.FilterMode = mode;
    state.ListFilterMode = mode;
    HideAll({Windows().FormShowDetails, Windows().FormTreeFiles});
    RebuildOpenWindow(mode);
}

void TFormNetFiles::RebuildOpenWindow(const std::string& mode) {
    ProcessState& state = State();
    TWindowSet& w = Windows();
    if (state.CurrentView == "FORMDAYNEWS" || state.CurrentView == "BUSQUEDA") {
        state.DayListFile = state.CurrentView == "FORMDAYNEWS" ? TodayListPath(mode) : SearchResultsPath(mode);
        state.ListFilterMode = mode;
        w.RecreateFormDayNews();
        w.FormDayNews->WindowMode = mode;
        w.FormDayNews->ShowWindow();
    } else if (state.CurrentView == "FORMCATEGORIAS") {
        w.RecreateFormCategorias();
        w.FormCategorias->WindowMode = mode;
        w.FormCategorias->ShowWindow();
    } else if (state.CurrentView == "FORMBASEDATOS") {
        w.RecreateFormBaseDatos();
        w.FormBaseDatos->WindowMode = mode;
        w.FormBaseDatos->ShowWindow();
    }
}

void TFormNetFiles::ShowDaysArrivedMeanwhile() {
    // The button's own run shows its days; one of another process is looked
    // at once it has let go of the installation.
    if (TheUpdateState().RunInProgress || AppliedDays() == applied_seen_) return;
    RunReported([this] {
        WithUpdateLock([this] {
            applied_seen_ = AppliedDays();
            ProcessState& state = State();
            TWindowSet& w = Windows();
            state.DayNewsLoaded = 0;
            state.CategoryMarksLoaded = "no";
            StartupHooks& hooks = TheStartupHooks();
            if (state.CurrentView == "FORMBASEDATOS" && hooks.ComputeCategoryMarks) hooks.ComputeCategoryMarks();
            // Trees load their data once, when first shown after creation.
            if (w.FormCategorias && state.CurrentView != "FORMCATEGORIAS") w.RecreateFormCategorias();
            if (w.FormBaseDatos && state.CurrentView != "FORMBASEDATOS") w.RecreateFormBaseDatos();
            // Search results are not the update's: they stay as they are.
            if (state.CurrentView == "BUSQUEDA") return;
            if (state.CurrentView != "NADA" && state.CurrentView != "ACTUALIZAR")
                HideAll({w.FormShowDetails, w.FormTreeFiles});
            RebuildOpenWindow(state.FilterMode);
        });
    });
}

void TFormNetFiles::LinksMemory1Click() { EnsureWindow(Windows().FormRemember).ShowWindow(); }

void TFormNetFiles::Image6Click() { close(); }

void TFormNetFiles::Image7Click() {
    minimised_.clear();
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->isVisible() && window->isWindow() && window != this) {
            minimised_.push_back(window);
            window->showMinimized();
        }
    showMinimized();
}

void TFormNetFiles::changeEvent(QEvent* event) {
    TSkinWindow::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange || isMinimized()) return;
    // The main window is back: so is every window minimised with it.
    const std::vector<QPointer<QWidget>> windows = std::move(minimised_);
    minimised_.clear();
    for (const QPointer<QWidget>& window : windows)
        if (window) window->showNormal();
}

void TFormNetFiles::contextMenuEvent(QContextMenuEvent* event) {
    PopupMenu1->popup(event->globalPos());
    event->accept();
}

void TFormNetFiles::closeEvent(QCloseEvent* event) {
    event->accept();
    QCoreApplication::quit();
}

}  // namespace veltod
