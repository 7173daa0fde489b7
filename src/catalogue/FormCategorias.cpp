#include "catalogue/FormCategorias.h"

namespace veltod {

TFormCategorias::TFormCategorias() : TSkinWindow(QStringLiteral("FormCategorias"), kSkinOlive) {}

}  // namespace veltod
