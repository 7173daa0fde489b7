#pragma once
#include <string>

#include "shell/SkinWindow.h"

namespace veltod {

// The week news by category.
class TFormCategorias : public TSkinWindow {
    Q_OBJECT
public:
    TFormCategorias();

    // The licence kind the window was opened with; the main window sets it
    // before it shows the window.
    std::string WindowMode = "1";
};

}  // namespace veltod
