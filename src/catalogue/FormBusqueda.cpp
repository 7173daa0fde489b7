#include "catalogue/FormBusqueda.h"

namespace veltod {

TFormBusqueda::TFormBusqueda() : TSkinWindow(QStringLiteral("FormBusqueda"), kSkinOlive) {}

}  // namespace veltod
