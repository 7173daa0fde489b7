#include "ui/sponsors/FormBanner2.h"

#include "core/platform/stored_files.h"
#include "core/skin/screen_layout.h"

namespace veltod {

TFormBanner2::TFormBanner2() : TBannerWindow(QStringLiteral("FormBanner2"), kSecondBannerListFile) {}

void TFormBanner2::PlaceAtFirstActivation() { move(x(), LayoutTop("FormBanner2", Resolution())); }

void TFormBanner2::ShowPicture(const std::string& path) {
    TBannerWindow::ShowPicture(path);
    move(LayoutLeft("FormBanner2", Resolution()), y());
}

}  // namespace veltod
