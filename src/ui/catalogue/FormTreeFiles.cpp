#include "ui/catalogue/FormTreeFiles.h"

#include <QEvent>
#include <QLabel>
#include <QListWidget>

#include "core/catalogue/entry_details.h"
#include "ui/catalogue/FormShowDetails.h"
#include "ui/catalogue/ListFrame.h"
#include "ui/platform/AnsiText.h"
#include "ui/skin/ElidedText.h"
#include "ui/view/WindowSet.h"

namespace veltod {

TFormTreeFiles::TFormTreeFiles() : TSkinWindow(QStringLiteral("FormTreeFiles"), kSkinOlive, QStringLiteral("File list")) {
    Image1 = new TSkinImage(this, QStringLiteral("Image1"));
    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    StyleListTitle(Label1);
    ListBox1 = new QListWidget(this);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    ListBox1->setFrameShape(QFrame::NoFrame);
    ListBox1->setUniformItemSizes(true);
    ListBox1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ListBox1->setTextElideMode(Qt::ElideRight);
    StyleListControl(ListBox1);
    // A sheet with a rule must put the list's own declarations in a rule too,
    // or Qt drops the whole sheet.
    ListBox1->setStyleSheet(QStringLiteral("QListWidget { background-color: #666600; color: #CCCC00; border: none; }"
                                           " QListWidget::item { height: 14px; }"));
    ListBox1->viewport()->installEventFilter(this);
    ListBox1->setAccessibleName(QStringLiteral("Entries"));
    Image6 = new TSkinCloseButton(this, QStringLiteral("Image6"), TSkinCloseButton::Kind::Close, [this] { Image6Click(); });
    Image6->LoadPicture(ResourcePicture("x0.gif"));
    move(LayoutPlace("FormTreeFiles"));
    LayOutListFrame(this, Image1, Label1, ListBox1, Image6);

    // A keyboard move selects the row and opens it at once; a click opens
    // its row once the press has selected it.
    connect(ListBox1, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row < 0 || !ListBox1->item(row)->isSelected()) return;
        opened_since_press_ = true;
        ListBox1Click();
    });
    connect(ListBox1, &QListWidget::itemClicked, this, [this] {
        if (!opened_since_press_) ListBox1Click();
    });
}

void TFormTreeFiles::Fill(SharedTable table) {
    list_.Fill(std::move(table));
    const QSignalBlocker quiet(ListBox1);
    ListBox1->clear();
    // Long names are elided inside the list (no sideways scrolling under the
    // frame) and shown whole in their tool tip.
    for (const auto& name : list_.Names()) {
        auto* item = new QListWidgetItem(FromAnsi(name), ListBox1);
        item->setToolTip(PlainToolTip(item->text()));
    }
}

void TFormTreeFiles::SetTitle(const QString& title) {
    Label1->setText(title);
    ListBox1->setAccessibleDescription(SpokenTitle(title));
}

void TFormTreeFiles::ListBox1Click() {
    const auto row = list_.RowToOpen(ListBox1->currentRow());
    if (!row) return;
    ShowEntryDetails(*list_.Table(), *row, y(), x());
}

bool TFormTreeFiles::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ListBox1->viewport() && event->type() == QEvent::MouseButtonPress) {
        opened_since_press_ = false;
        HideAll({Windows().FormShowDetails});
    }
    return TSkinWindow::eventFilter(watched, event);
}

void TFormTreeFiles::Image6Click() {
    HideAll({Windows().FormShowDetails});
    close();
}

}  // namespace veltod
