#include "ui/catalogue/FormBusqueda.h"

#include <QEvent>
#include <QLineEdit>

#include "core/catalogue/catalogue_search.h"
#include "core/platform/stored_files.h"
#include "core/view/process_state.h"
#include "ui/catalogue/ListFrame.h"
#include "ui/platform/AnsiText.h"
#include "ui/skin/ReportedError.h"
#include "ui/view/WindowSet.h"

namespace veltod {

TFormBusqueda::TFormBusqueda() : TSkinWindow(QStringLiteral("FormBusqueda"), kSkinOlive) {
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
    connect(Edit1, &QLineEdit::returnPressed, this, [this] { StartSearch(); });
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
    SearchCatalogue(ToAnsi(Edit1->text()));
    Edit1->setFocus();
    ProcessState& state = State();
    state.DayListFile = SearchResultsPath(WindowMode);
    state.ListFilterMode = WindowMode;
    Windows().ShowFreshDayNews(WindowMode);
    hide();
}

}  // namespace veltod
