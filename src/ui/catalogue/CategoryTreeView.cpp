#include "ui/catalogue/CategoryTreeView.h"

#include <QHeaderView>

#include "ui/catalogue/ListFrame.h"
#include "ui/platform/AnsiText.h"

namespace veltod {
namespace {

void AddNodes(QTreeWidgetItem* parent, QTreeWidget* tree, const std::vector<CategoryNode>& nodes) {
    for (const auto& node : nodes) {
        auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(tree);
        item->setText(0, FromAnsi(node.name));
        item->setData(0, Qt::UserRole, node.code);
        AddNodes(item, tree, node.children);
    }
}

bool IsWithin(const QTreeWidgetItem* item, const QTreeWidgetItem* branch) {
    for (; item != nullptr; item = item->parent())
        if (item == branch) return true;
    return false;
}

}  // namespace

TCategoryTreeView::TCategoryTreeView(QWidget* parent) : QTreeWidget(parent) {
    setObjectName(QStringLiteral("TreeView1"));
    setHeaderHidden(true);
    setColumnCount(1);
    setIndentation(19);
    setSortingEnabled(false);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    // A double-click opens the category; it must not fold the node up too.
    setExpandsOnDoubleClick(false);
    setFrameShape(QFrame::NoFrame);
    setMouseTracking(true);
    setFont(ListFont());
    setStyleSheet(QStringLiteral(
        "QTreeWidget { background-color: #666600; color: #CCCC00; border: none; }"
        "QTreeWidget::item:hover { color: #FFFF66; text-decoration: underline; }"
        "QTreeWidget::item:selected { background-color: #333300; color: #FFFF00; }"));
    connect(this, &QTreeWidget::currentItemChanged, this, &TCategoryTreeView::SelectionMoved);
    // A selected node folded with its arrow opens again when its name is
    // clicked; selecting it anew would not, as the selection does not move.
    connect(this, &QTreeWidget::itemClicked, this, [](QTreeWidgetItem* item) {
        if (item->isSelected()) item->setExpanded(true);
    });
}

void TCategoryTreeView::Fill(const std::vector<CategoryNode>& nodes) {
    clear();
    AddNodes(nullptr, this, nodes);
}

std::optional<int32_t> TCategoryTreeView::SelectedCode() const {
    const QTreeWidgetItem* item = currentItem();
    if (item == nullptr || !item->isSelected()) return std::nullopt;
    return CodeOf(item);
}

int32_t TCategoryTreeView::CodeOf(const QTreeWidgetItem* item) {
    return item->data(0, Qt::UserRole).toInt();
}

void TCategoryTreeView::SelectionMoved(QTreeWidgetItem* current, QTreeWidgetItem* previous) {
    for (QTreeWidgetItem* item = previous; item != nullptr; item = item->parent())
        if (!IsWithin(current, item)) item->setExpanded(false);
    if (current != nullptr) current->setExpanded(true);
}

}  // namespace veltod
