#include "sponsors/FormRemember.h"

namespace veltod {

TFormRemember::TFormRemember() : TSkinWindow(QStringLiteral("FormRemember"), kSkinOlive) {}

}  // namespace veltod
