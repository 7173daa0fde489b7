#pragma once
// Base of the program's twelve windows: a borderless top-level window whose
// FormActivate runs once per activation. Activation by a window manager is
// not reliable (none under Xvfb or in tests), so showing a window through
// ShowWindow raises the activation itself; the system's own activation that
// follows is then not run a second time.
#include <QWidget>
#include <functional>

namespace veltod {

class TFocusMark;

class TSkinWindow : public QWidget {
    Q_OBJECT
public:
    // The title names the window on the accessibility bus and in the task
    // list; the window draws no title bar.
    TSkinWindow(const QString& name, const QColor& background, const QString& title = {});

    // Show, raise, activate (unless the window shows without activating),
    // then FormActivate.
    // take_keyboard false: shown and activated for the program, but the
    // keyboard stays where the user is typing.
    void ShowWindow(bool take_keyboard = true);
    // How many times FormActivate has been started (tests).
    int ActivationCount() const { return activation_count_; }
    // The screen's layout has changed and the window stands at its new
    // place; a window sized by the layout sizes itself again.
    virtual void LayoutChanged() {}
    // The keyboard focus mark drawn on this window.
    TFocusMark* FocusMark() const { return focus_mark_; }

protected:
    virtual void FormActivate() {}
    void changeEvent(QEvent* event) override;
    // Escape, anywhere in the window, runs the action.
    void OnEscape(std::function<void()> action);

private:
    void RunActivate();
    bool awaiting_system_activation_ = false;
    int activation_count_ = 0;
    TFocusMark* focus_mark_ = nullptr;
};

// Skin colours: olive (colour number 26214) and yellow (52428).
inline const QColor kSkinOlive(102, 102, 0);
inline const QColor kSkinYellow(204, 204, 0);

}  // namespace veltod
