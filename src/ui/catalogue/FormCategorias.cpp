#include "ui/catalogue/FormCategorias.h"

#include "ui/catalogue/CategoryTreeView.h"

namespace veltod {

TFormCategorias::TFormCategorias()
    : TCategoryTreeWindow(QStringLiteral("FormCategorias"), QStringLiteral("W e e k    N e w s"),
                          QStringLiteral("W e e k    N e w s")) {}

void TFormCategorias::VolcarTreeConArray() {
    TreeView1->Fill(week_.Load(WindowMode));
}

}  // namespace veltod
