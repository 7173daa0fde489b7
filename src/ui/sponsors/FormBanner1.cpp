#include "ui/sponsors/FormBanner1.h"

#include "core/platform/stored_files.h"
#include "core/skin/screen_layout.h"

namespace veltod {

TFormBanner1::TFormBanner1() : TBannerWindow(QStringLiteral("FormBanner1"), kFirstBannerListFile) {}

void TFormBanner1::PlaceAtFirstActivation() {
    const std::string resolution = Resolution();
    move(LayoutLeft("FormBanner1", resolution), LayoutTop("FormBanner1", resolution));
}

}  // namespace veltod
