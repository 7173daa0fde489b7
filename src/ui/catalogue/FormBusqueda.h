#pragma once
#include <string>

#include "ui/skin/SkinImage.h"
#include "ui/skin/SkinWindow.h"

class QLineEdit;

namespace veltod {

// The search bar: a text field and a go area over the background picture.
// A search writes the results lists of all three licence kinds and shows the
// list of this window's kind in a new day news window.
class TFormBusqueda : public TSkinWindow {
    Q_OBJECT
public:
    TFormBusqueda();

    // The licence kind the window was opened with; the main window sets it
    // before it shows the window.
    std::string WindowMode = "1";

    void StartSearch();

    TSkinImage* Image1;
    QLineEdit* Edit1;
    TSkinImage* Image2;

protected:
    void FormActivate() override;
    bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace veltod
