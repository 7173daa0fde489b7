#pragma once
#include <string>

#include "shell/SkinWindow.h"

namespace veltod {

// The historic database tree.
class TFormBaseDatos : public TSkinWindow {
    Q_OBJECT
public:
    TFormBaseDatos();

    // The licence kind the window was opened with; the main window sets it
    // before it shows the window.
    std::string WindowMode = "1";
};

}  // namespace veltod
