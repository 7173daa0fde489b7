#include "sponsors/FormBanner1.h"

namespace veltod {

TFormBanner1::TFormBanner1() : TSkinWindow(QStringLiteral("FormBanner1"), kSkinOlive) {}

}  // namespace veltod
