#pragma once
#include <QLabel>
#include <string>

#include "ui/skin/SkinImage.h"
#include "ui/skin/SkinWindow.h"

namespace veltod {

// The message window: one line of text on a picture, just left of the main
// window. It takes no input.
class TFormMensaje : public TSkinWindow {
    Q_OBJECT
public:
    TFormMensaje();

    // The plate's picture.
    static std::string PlatePicture();

    TSkinImage* Image1;  // background picture
    QLabel* Edit1;       // the message

    // Shows a note on the plate: its start, the end elided when too long.
    void SetMessage(const QString& text);
    // True after an activation failed (its picture could not be loaded).
    bool Unusable() const { return unusable_; }

protected:
    // Lays the window out again at every activation.
    void FormActivate() override;

private:
    void LayOut();
    bool unusable_ = false;
    QString message_ = QStringLiteral("Welcome !");
};

}  // namespace veltod
