#include "ui/sponsors/FormRemember.h"

#include <QKeyEvent>
#include <QMouseEvent>

#include "core/platform/seams.h"
#include "core/platform/stored_files.h"
#include "core/skin/screen_layout.h"
#include "core/skin/skin_button.h"
#include "ui/platform/AnsiText.h"
#include "ui/skin/ReportedError.h"

namespace veltod {
namespace {

constexpr int kWidth = 246;
constexpr int kHeight = 102;
constexpr int kListHeight = 86;
constexpr int kItemHeight = 12;

QFont PixelFont(int pixels) {
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(pixels);
    return font;
}

}  // namespace

TFormRemember::TFormRemember()
    : TSkinWindow(QStringLiteral("FormRemember"), kSkinOlive, QStringLiteral("Links memory book")),
      book_(kLinksMemoryFile) {
    resize(kWidth, kHeight);

    Label1 = new QLabel(QStringLiteral("SELECTED LINKS MEMORY BOOK"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    QPalette label_colours = Label1->palette();
    label_colours.setColor(QPalette::WindowText, kSkinYellow);
    Label1->setPalette(label_colours);
    Label1->move(4, 1);
    // The title is no reset source: moves over it stop there.
    Label1->setMouseTracking(true);
    Label1->installEventFilter(this);

    ListBox1 = new QListWidget(this);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    ListBox1->setGeometry(0, kHeight - kListHeight, kWidth, kListHeight);
    ListBox1->setFrameShape(QFrame::NoFrame);
    ListBox1->setUniformItemSizes(true);
    QPalette list_colours = ListBox1->palette();
    list_colours.setColor(QPalette::Base, kSkinYellow);
    list_colours.setColor(QPalette::Text, kSkinOlive);
    ListBox1->setPalette(list_colours);
    ListBox1->viewport()->setCursor(Qt::PointingHandCursor);
    ListBox1->setMouseTracking(true);
    ListBox1->viewport()->setMouseTracking(true);
    ListBox1->installEventFilter(this);
    ListBox1->viewport()->installEventFilter(this);
    ListBox1->setAccessibleName(QStringLiteral("Remembered links"));

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    Delete1 = PopupMenu1->addAction(QStringLiteral("Delete"));
    Delete1->setObjectName(QStringLiteral("Delete1"));
    ListClear1 = PopupMenu1->addAction(QStringLiteral("Delete All"));
    ListClear1->setObjectName(QStringLiteral("ListClear1"));
    connect(Delete1, &QAction::triggered, this, [this] { RunReported([this] { Delete1Click(); }); });
    connect(ListClear1, &QAction::triggered, this, [this] { RunReported([this] { ListClear1Click(); }); });
    ListBox1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ListBox1, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { PopupMenu1->popup(ListBox1->viewport()->mapToGlobal(at)); });

    Image1 = new TSkinCloseButton(this, QStringLiteral("Image1"), TSkinCloseButton::Kind::Close, [this] { Image1Click(); });
    setTabOrder(ListBox1, Image1);
    OnEscape([this] { Image1Click(); });

    FormCreate();
}

void TFormRemember::FormCreate() {
    const std::string resolution = CurrentLayoutKey();
    move(LayoutLeft("FormRemember", resolution), LayoutTop("FormRemember", resolution));
    Image1->LoadPicture(Image1->NormalPicture());
    Image1->move(width() - Image1->width() - 20, 0);
    Image1->raise();
    Label1->setFont(PixelFont(11));
    Label1->adjustSize();
    ListBox1->setFont(PixelFont(9));
}

void TFormRemember::FormActivate() {
    RunReported([this] {
        book_.Reload();
        FillList();
    });
}

void TFormRemember::FillList() {
    ListBox1->clear();
    for (const std::string& title : book_.Titles()) {
        auto* item = new QListWidgetItem(FromAnsi(title), ListBox1);
        item->setSizeHint(QSize(0, kItemHeight));
    }
}

int TFormRemember::Selected() const {
    const QListWidgetItem* item = ListBox1->currentItem();
    return item && item->isSelected() ? ListBox1->row(item) : -1;
}

void TFormRemember::OpenSelected() { book_.Open(Selected()); }

void TFormRemember::ListBox1DblClick() { OpenSelected(); }

void TFormRemember::ListBox1KeyPress(char key) {
    if (key == '\r') OpenSelected();
}

void TFormRemember::Delete1Click() {
    if (book_.DeleteOne(Selected()) != BookChange::Nothing) FillList();
}

void TFormRemember::ListClear1Click() {
    if (book_.DeleteAll() != BookChange::Nothing) FillList();
}

void TFormRemember::Image1Click() {
    hide();
    close();
}

void TFormRemember::ResetCloseButton() {
    SkinButton* const buttons[] = {Image1};
    ResetSkinButtons(buttons);
}

void TFormRemember::mouseMoveEvent(QMouseEvent* event) {
    TSkinWindow::mouseMoveEvent(event);
    ResetCloseButton();
}

bool TFormRemember::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Label1 && event->type() == QEvent::MouseMove) return true;
    if (watched == ListBox1->viewport()) {
        if (event->type() == QEvent::MouseMove) ResetCloseButton();
        // The press before a double-click has already selected the item
        // under the mouse.
        if (event->type() == QEvent::MouseButtonDblClick) ListBox1DblClick();
    }
    if (watched == ListBox1 && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            ListBox1KeyPress('\r');
            return true;
        }
    }
    return TSkinWindow::eventFilter(watched, event);
}

}  // namespace veltod
