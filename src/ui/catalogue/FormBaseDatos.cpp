#include "ui/catalogue/FormBaseDatos.h"

#include "ui/catalogue/CategoryTreeView.h"

namespace veltod {

TFormBaseDatos::TFormBaseDatos()
    : TCategoryTreeWindow(QStringLiteral("FormBaseDatos"), QStringLiteral("Historic   D a t a    B a s e"),
                          QStringLiteral("D a t a    B a s e")) {}

void TFormBaseDatos::VolcarTreeConArray() {
    // The nodes come sorted by name, so the tree needs no sorting of its own.
    if (auto tree = history_.Build(WindowMode)) TreeView1->Fill(*tree);
}

}  // namespace veltod
