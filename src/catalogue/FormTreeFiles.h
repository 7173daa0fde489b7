#pragma once
#include <string>

#include "shell/SkinWindow.h"

namespace veltod {

// The file list of one category.
class TFormTreeFiles : public TSkinWindow {
    Q_OBJECT
public:
    TFormTreeFiles();
};

}  // namespace veltod
