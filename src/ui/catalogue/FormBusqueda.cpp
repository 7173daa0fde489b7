#include "ui/catalogue/FormBusqueda.h"

#include <QEvent>
#include <QLineEdit>

#include "core/catalogue/catalogue_search.h"
#include "core/platform/stored_files.h"
#include "core/view/process_state.h"
#include "ui/catalogue/ListFrame.h"
#include "ui/catalogue/LiveSearch.h"
#include "ui/platform/AnsiText.h"
#include "ui/skin/Pressable.h"
#include "ui/skin/ReportedError.h"
#include "ui/view/WindowSet.h"

namespace veltod {

TFormBusqueda::TFormBusqueda() : TSkinWindow(QStringLiteral("FormBusqueda"), kSkinOlive, QStringLiteral("Search")) {
    Image1 = new TSkinImage(this, QStringLiteral("Image1"));
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setFrame(false);
    Edit1->setFont(ListFont());
    Edit1->setStyleSheet(QStringLiteral("background-color: #666600; color: #CCCC00; border: none;"));
    Edit1->installEventFilter(this);
    // The go button is drawn in the background; this is only its clickable area.
    Image2 = new TSkinImage(this, QStringLiteral("Image2"));
    Image2->setCursor(Qt::PointingHandCursor);
    Image2->OnClick = [this] { StartSearch(); };
    Edit1->setAccessibleName(QStringLiteral("Name to search for"));
    MakePressable(Image2, {.role = QAccessible::Button, .name = QStringLiteral("Search"), .press = Image2->OnClick});
    connect(Edit1, &QLineEdit::returnPressed, this, [this] { StartSearch(); });
    live_ = new TLiveSearch(this);
    // Only what the user types: the field cleared by the program searches nothing.
    connect(Edit1, &QLineEdit::textEdited, this, [this] { SearchAsTyped(); });
}

void TFormBusqueda::FormActivate() {
    // Activation is an event of its own: its error is reported, and the
    // handler that showed the window goes on.
    // Without its picture the bar is not shown at all, rather than as a bare
    // field the user could type into.
    try {
        Image1->LoadPicture(ResourcePicture("buscar.gif"));
    } catch (...) {
        hide();
        ReportCurrentException();
        return;
    }
    Image1->move(0, 0);
    setFixedSize(Image1->size());
    move(LayoutPlace("FormBusqueda"));
    Edit1->setGeometry(8, 6, 137, 17);
    Image2->setGeometry(152, 8, 41, 25);
    Image2->raise();
    Edit1->setFocus();
}

bool TFormBusqueda::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Edit1 && event->type() == QEvent::MouseButtonPress) {
        const bool handled = TSkinWindow::eventFilter(watched, event);
        StartSearch();
        return handled;
    }
    return TSkinWindow::eventFilter(watched, event);
}

void TFormBusqueda::StartSearch() {
    // Its results would come after these and replace them.
    live_->Stop();
    const std::string text = ToAnsi(Edit1->text());
    const std::optional<SearchFound> found = SearchCatalogue(text);
    Edit1->setFocus();
    if (!found || !ShowFound(text, *found, true)) return;
    hide();
}

void TFormBusqueda::SearchAsTyped() {
    const std::string text = ToAnsi(Edit1->text());
    // An empty text matches nothing: the list shown stays until a name is typed.
    if (text.empty()) {
        live_->Stop();
        return;
    }
    live_->Start(text, [this, text](const SearchFound& found) { ShowFound(text, found, false); });
}

bool TFormBusqueda::ShowFound(const std::string& text, const SearchFound& found, bool take_keyboard) {
    const size_t kind = WindowMode == "2" ? 1 : WindowMode == "3" ? 2 : 0;
    TWindowSet& windows = Windows();
    // An empty list would say nothing: the bar stays for another try and
    // the message window tells what happened.
    if (found.by_kind[kind] == 0) {
        windows.ShowMessage(NothingMatchedText(text, found, WindowMode));
        return false;
    }
    ProcessState& state = State();
    state.DayListFile = SearchResultsPath(WindowMode);
    state.ListFilterMode = WindowMode;
    windows.ShowFreshDayNews(WindowMode, take_keyboard);
    return true;
}

}  // namespace veltod
