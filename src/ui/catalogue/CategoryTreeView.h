#pragma once
// The category tree of the week news and historic windows: nodes carry their
// category code, siblings come sorted from the core, hovering highlights a
// node, and selecting a node expands it while the branch selected before
// folds away.
#include <QTreeWidget>
#include <cstdint>
#include <optional>
#include <vector>

#include "core/catalogue/category_tree.h"

namespace veltod {

class TCategoryTreeView : public QTreeWidget {
    Q_OBJECT
public:
    explicit TCategoryTreeView(QWidget* parent);

    // Empties the tree and adds the nodes, in the order given.
    void Fill(const std::vector<CategoryNode>& nodes);
    // The category code of the selected node, if a node is selected.
    std::optional<int32_t> SelectedCode() const;
    static int32_t CodeOf(const QTreeWidgetItem* item);

private:
    void SelectionMoved(QTreeWidgetItem* current, QTreeWidgetItem* previous);
};

}  // namespace veltod
