#pragma once
// The program's twelve windows, created in a fixed order and living until the
// set is destroyed.
#include "skin/WindowSet.h"

namespace veltod {

class TProgramWindows : public TWindowSet {
public:
    TProgramWindows() = default;
    ~TProgramWindows() override;

    // Creates all twelve in the program's order; the day news window's list
    // file is set to today's list of mode "1" just before it is created.
    void CreateAll();

    void RecreateFormDayNews() override;
    void RecreateFormCategorias() override;
    void RecreateFormBaseDatos() override;
    QWidget* MainWindow() const override;
};

}  // namespace veltod
