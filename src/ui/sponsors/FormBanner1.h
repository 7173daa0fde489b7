#pragma once
#include "ui/sponsors/BannerWindow.h"

namespace veltod {

// The first sponsor banner: its list is "Ban1.ban", placed by the layout
// table once, at the first activation.
class TFormBanner1 : public TBannerWindow {
    Q_OBJECT
public:
    TFormBanner1();

protected:
    void PlaceAtFirstActivation() override;
};

}  // namespace veltod
