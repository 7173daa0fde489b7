#pragma once
// Base of the program's twelve windows: a borderless top-level window whose
// FormActivate runs once per activation. Activation by a window manager is
// not reliable (none under Xvfb or in tests), so showing a window through
// ShowWindow raises the activation itself; the system's own activation that
// follows is then not run a second time.
#include <QWidget>

namespace veltod {

class TSkinWindow : public QWidget {
    Q_OBJECT
public:
    TSkinWindow(const QString& name, const QColor& background);

    // Show, raise, activate, then FormActivate.
    void ShowWindow();
    // How many times FormActivate has been started (tests).
    int ActivationCount() const { return activation_count_; }
    // The screen's layout has changed and the window stands at its new
    // place; a window sized by the layout sizes itself again.
    virtual void LayoutChanged() {}

protected:
    virtual void FormActivate() {}
    void changeEvent(QEvent* event) override;

private:
    void RunActivate();
    bool awaiting_system_activation_ = false;
    int activation_count_ = 0;
};

// Skin colours: olive (colour number 26214) and yellow (52428).
inline const QColor kSkinOlive(102, 102, 0);
inline const QColor kSkinYellow(204, 204, 0);

}  // namespace veltod
