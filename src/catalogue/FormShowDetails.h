#pragma once
#include <string>

#include "shell/SkinWindow.h"

namespace veltod {

// The details of one entry.
class TFormShowDetails : public TSkinWindow {
    Q_OBJECT
public:
    TFormShowDetails();
};

}  // namespace veltod
