#pragma once
#include "ui/sponsors/BannerWindow.h"

namespace veltod {

// The second sponsor banner: its list is "Ban5.ban"; the first activation
// sets only its top, and every banner shown sets its left.
class TFormBanner2 : public TBannerWindow {
    Q_OBJECT
public:
    TFormBanner2();

protected:
    void PlaceAtFirstActivation() override;
    void ShowPicture(const std::string& path) override;
};

}  // namespace veltod
