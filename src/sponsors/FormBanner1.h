#pragma once
#include <string>

#include "shell/SkinWindow.h"

namespace veltod {

// The first sponsor banner.
class TFormBanner1 : public TSkinWindow {
    Q_OBJECT
public:
    TFormBanner1();
};

}  // namespace veltod
