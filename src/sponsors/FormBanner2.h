#pragma once
#include <string>

#include "shell/SkinWindow.h"

namespace veltod {

// The second sponsor banner.
class TFormBanner2 : public TSkinWindow {
    Q_OBJECT
public:
    TFormBanner2();
};

}  // namespace veltod
