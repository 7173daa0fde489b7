#pragma once
#include <string>

#include "shell/SkinWindow.h"

namespace veltod {

// The links memory book.
class TFormRemember : public TSkinWindow {
    Q_OBJECT
public:
    TFormRemember();
};

}  // namespace veltod
