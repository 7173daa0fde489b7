#include "sponsors/FormBanner2.h"

namespace veltod {

TFormBanner2::TFormBanner2() : TSkinWindow(QStringLiteral("FormBanner2"), kSkinOlive) {}

}  // namespace veltod
