#pragma once
#include <QLabel>

#include "skin/SkinImage.h"
#include "skin/SkinWindow.h"

namespace veltod {

// The message window: one line of text on a picture, just left of the main
// window. It takes no input.
class TFormMensaje : public TSkinWindow {
    Q_OBJECT
public:
    TFormMensaje();

    TSkinImage* Image1;  // background picture
    QLabel* Edit1;       // the message

protected:
    // Lays the window out again at every activation.
    void FormActivate() override;
};

}  // namespace veltod
