#include "ui/daynews/FormDayNews.h"

#include <QEvent>
#include <QKeyEvent>
#include <QMouseEvent>

#include "core/catalogue/entry_details.h"
#include "core/daynews/day_news_keys.h"
#include "core/platform/stored_files.h"
#include "core/view/process_state.h"
#include "ui/catalogue/FormShowDetails.h"
#include "ui/platform/AnsiText.h"
#include "ui/skin/ElidedText.h"
#include "ui/skin/Pressable.h"
#include "ui/skin/ReportedError.h"
#include "ui/skin/SkinFonts.h"
#include "ui/sponsors/FormBanner2.h"
#include "ui/sponsors/FormMensaje.h"
#include "ui/view/WindowSet.h"

namespace veltod {

namespace {

QColor ToQColor(Rgb rgb) { return QColor((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF); }

const char* const kHint = "Hint";

std::optional<DayKey> MovingKey(int key) {
    switch (key) {
    case Qt::Key_Up: return DayKey::Up;
    case Qt::Key_Down: return DayKey::Down;
    case Qt::Key_PageUp: return DayKey::PageUp;
    case Qt::Key_PageDown: return DayKey::PageDown;
    case Qt::Key_Home: return DayKey::Home;
    case Qt::Key_End: return DayKey::End;
    default: return std::nullopt;
    }
}

}  // namespace

TFormDayNews::TFormDayNews(std::future<ListRead> read_ahead)
    : TSkinWindow(QStringLiteral("FormDayNews"), QColor(), QStringLiteral("Day news")), model_(*this, files_) {
    if (read_ahead.valid()) model_.TakeReadAhead(std::move(read_ahead));
    // Row 1 always stays; the others are made as a page first fills them
    // (a 1024x768 page shows 38 of the 160 a tall screen may need).
    MakeRow(1);
    // The window is created by the program's entry and by filter changes; a
    // list that cannot be read is reported and the window still exists.
    RunReported([this] { FormCreate(); });
}

void TFormDayNews::MakeRow(int k) {
    auto* image = new TSkinImage(this, QStringLiteral("Image%1").arg(k));
    image->setProperty(kHint, QStringLiteral("bajo"));
    image->OnMouseMove = [this, k] { RowMouseMove(k); };
    auto* label = new QLabel(this);
    label->setObjectName(QStringLiteral("Label%1").arg(k));
    // Captions are names from the day list: never markup.
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignCenter);
    label->setWordWrap(false);
    label->setAttribute(Qt::WA_TranslucentBackground);
    label->setMouseTracking(true);
    label->installEventFilter(this);
    MakePressable(label, {.role = QAccessible::ListItem,
                          .press = [this, k] { KeyOnRow(k, DayKey::Press); },
                          .hover = [this, k] { RowMouseMove(k); },
                          .tab_stop = false});
    label->setFont(SkinBoldFont(11));
    // The page gives each caption its row's bounds. Sized now, a caption
    // shown before that does not have its text measured for a size of its
    // own that it never keeps.
    label->resize(image->size());
    if (k > 1) {
        image->hide();
        label->hide();
    }
    // Row k is the k-th picture with the k-th caption; every row operation
    // goes through these two tables, filled as the rows are made, so no load
    // looks a control up by name. The caption, made after its picture, lies
    // over it.
    Images[static_cast<size_t>(k - 1)] = image;
    Labels[static_cast<size_t>(k - 1)] = label;
}

void TFormDayNews::EnsureRow(int k) {
    // Rows are made in their order, so pictures, captions and the reading
    // order of a screen reader stay row after row.
    for (int made = 1; made <= k && made <= kDayRows; ++made)
        if (!Images[static_cast<size_t>(made - 1)]) MakeRow(made);
}

void TFormDayNews::FormCreate() {
    model_.LoadDayList();
    WindowMode = model_.WindowMode();
    SayWhichList();
}

void TFormDayNews::SayWhichList() {
    // The rows have no room for it: the window's tool tip (under every row
    // without one of its own) and its title say which list this is.
    QString which;
    if (State().DayListFile == SearchResultsPath(WindowMode)) {
        which = QStringLiteral("Search results");
    } else if (const auto day = LastAppliedDay()) {
        which = QStringLiteral("News of ") + QString::fromStdString(DayInWords(*day));
    } else {
        which = QStringLiteral("Day news");
    }
    setWindowTitle(which);
    setToolTip(which);
}

void TFormDayNews::LayoutChanged() {
    if (isVisible()) RunReported([this] { model_.ShowFirstPage(); });
}

void TFormDayNews::FormActivate() {
    // The keyboard starts on the first row, quietly: the row lights up only
    // when the user moves.
    if (!focusWidget()) Labels[0]->setFocus(Qt::ActiveWindowFocusReason);
    if (State().DayNewsLoaded == kDone) return;
    FormCreate();
    State().DayNewsLoaded = kDone;
}

void TFormDayNews::KeyOnRow(int k, DayKey key) {
    if (key == DayKey::Press) Label1MouseDown();
    const bool opens_entry = key == DayKey::Press && MarkerValue(model_.Row(k).marker) < kBackMarker;
    const int row = PressDayKey(model_, k, key);
    // An entry pressed has opened the details window, which keeps the keyboard.
    if (row < 1 || opens_entry) return;
    QLabel* label = Labels[static_cast<size_t>(row - 1)];
    label->setFocus(Qt::OtherFocusReason);
    model_.EnterRow(row);
}

bool TFormDayNews::focusNextPrevChild(bool next) {
    // The rows are one stop for Tab, the first row's caption; the arrows
    // move through them. The captions take no Tab focus themselves: the
    // toolkit lays a focusable label out as a rich text document.
    QLabel* first = Labels[0];
    if (!first || !first->isVisible()) return TSkinWindow::focusNextPrevChild(next);
    first->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    return true;
}

bool TFormDayNews::eventFilter(QObject* watched, QEvent* event) {
    for (int k = 1; k <= kDayRows; ++k) {
        QLabel* label = Labels[static_cast<size_t>(k - 1)];
        if (watched != label) continue;
        switch (event->type()) {
        case QEvent::KeyPress: {
            const auto* key = static_cast<QKeyEvent*>(event);
            const std::optional<DayKey> moving = MovingKey(key->key());
            if (!moving || (key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) return false;
            KeyOnRow(k, *moving);
            return true;
        }
        case QEvent::MouseMove:
            RowMouseMove(k);
            return true;
        case QEvent::MouseButtonPress:
            if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) pressed_row_ = k;
            Label1MouseDown();
            return true;
        case QEvent::MouseButtonRelease: {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            const bool click = mouse->button() == Qt::LeftButton && pressed_row_ == k &&
                               label->rect().contains(mouse->position().toPoint());
            if (mouse->button() == Qt::LeftButton) pressed_row_ = 0;
            if (click) LabelClick(k);
            return true;
        }
        default:
            return false;
        }
    }
    return TSkinWindow::eventFilter(watched, event);
}

void TFormDayNews::RowMouseMove(int k) { model_.EnterRow(k); }

void TFormDayNews::Label1MouseDown() { HideAll({Windows().FormShowDetails}); }

void TFormDayNews::LabelClick(int k) { model_.ClickRow(k); }

void TFormDayNews::SetRowPicture(int row, const std::string& path) {
    EnsureRow(row);
    TSkinImage* image = Images[static_cast<size_t>(row - 1)];
    image->LoadPicture(path);
    // Only row 1 takes its picture's size; the others keep the size of the
    // row above that the last layout gave them.
    if (row > 1 && row_size_.isValid()) image->resize(row_size_);
}

void TFormDayNews::SetRowCaption(int row, std::string_view text) {
    EnsureRow(row);
    // The caption is centred across the row picture, whose left end holds
    // the row's number: a long name keeps as clear of the right end and is
    // cut there, whole in its tool tip.
    constexpr int kNumberBox = 28;
    const int room = Images[0]->width() - 2 * kNumberBox;
    Caption& shown = captions_[static_cast<size_t>(row - 1)];
    // A page shown again (every Today) has the same captions in the same room.
    if (shown.text == text && shown.room == room && shown.set) return;
    SetElidedText(Labels[static_cast<size_t>(row - 1)], FromAnsi(text), room > 0 ? room : QWIDGETSIZE_MAX);
    shown = {std::string(text), room, true};
}

void TFormDayNews::SetRowColour(int row, Rgb colour) {
    EnsureRow(row);
    QLabel* label = Labels[static_cast<size_t>(row - 1)];
    QPalette colours = label->palette();
    colours.setColor(QPalette::WindowText, ToQColor(colour));
    label->setPalette(colours);
}

void TFormDayNews::SetRowState(int row, std::string_view state) {
    EnsureRow(row);
    Images[static_cast<size_t>(row - 1)]->setProperty(kHint, FromAnsi(state));
}

void TFormDayNews::SetRowMarker(int row, std::string_view marker) {
    EnsureRow(row);
    QLabel* label = Labels[static_cast<size_t>(row - 1)];
    label->setProperty(kHint, FromAnsi(marker));
    // The model sets the marker last, once the row's caption is in place.
    RenamePressable(label, FromAnsi(SpokenRowName(model_.Row(row))));
}

void TFormDayNews::SetRowVisible(int row, bool visible) {
    // Row 1 always stays: its picture sets the row size and the window width.
    // A row never made is hidden already.
    if (row == 1 || (!visible && !Images[static_cast<size_t>(row - 1)])) return;
    EnsureRow(row);
    Images[static_cast<size_t>(row - 1)]->setVisible(visible);
    Labels[static_cast<size_t>(row - 1)]->setVisible(visible);
}

int TFormDayNews::RowHeight() const { return Images[0]->height(); }

void TFormDayNews::SetPage(int rows, int height, int left, int top) {
    TSkinImage* first = Images[0];
    first->move(0, 0);
    Labels[0]->setGeometry(first->geometry());
    row_size_ = first->size();
    EnsureRow(rows);
    for (int k = 2; k <= rows && k <= kDayRows; ++k) {
        const QRect above = Images[static_cast<size_t>(k - 2)]->geometry();
        const QRect bounds(above.left(), above.top() + above.height(), above.width(), above.height());
        Images[static_cast<size_t>(k - 1)]->setGeometry(bounds);
        Labels[static_cast<size_t>(k - 1)]->setGeometry(bounds);
    }
    setFixedSize(first->width(), height);
    move(left, top);
}

int TFormDayNews::WindowLeft() const { return x(); }
int TFormDayNews::WindowTop() const { return y(); }

void TFormDayNews::ShowMessage(std::string_view text, Rgb colour) {
    TFormMensaje* message = Windows().FormMensaje;
    // A message window that failed has shown its error once already.
    if (!message || message->Unusable()) return;
    message->SetMessage(FromAnsi(text));
    QPalette colours = message->Edit1->palette();
    colours.setColor(QPalette::WindowText, ToQColor(colour));
    message->Edit1->setPalette(colours);
    // Showing an already visible message window again would take the
    // activation from this window at every row the mouse crosses.
    if (!message->isVisible()) message->ShowWindow();
}

void TFormDayNews::OpenDetails(const RecordTable& list, size_t row, DetailsAnchor anchor) {
    ShowEntryDetails(list, row, anchor.top, anchor.right);
    KeepDetailsOnDesktop(ScreenRect{x(), y(), width(), height()});
    // Nor does it cover the lower banner, which stays up for the whole run.
    if (const QWidget* banner = Windows().FormBanner2; banner && banner->isVisible())
        KeepDetailsClearOf(ScreenRect{banner->x(), banner->y(), banner->width(), banner->height()});
}

}  // namespace veltod
