#include "catalogue/FormBaseDatos.h"

namespace veltod {

TFormBaseDatos::TFormBaseDatos() : TSkinWindow(QStringLiteral("FormBaseDatos"), kSkinOlive) {}

}  // namespace veltod
