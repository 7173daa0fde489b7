#pragma once
// The real seams on Qt: the screen the main window is on, message boxes and
// the desktop's open service (xdg-open).
#include <QPointer>

#include "core/platform/seams.h"

class QScreen;
class QWidget;

namespace veltod {

class QtScreen : public Screen {
public:
    ScreenRect Size() const override;
    ScreenRect Desktop() const override;
    // The screen of this window from now on (the primary screen until then,
    // or when the window is gone).
    void Follow(const QWidget* window);

private:
    const QScreen* Current() const;
    QPointer<const QWidget> followed_;
};

class QtDialogs : public Dialogs {
public:
    void Message(const std::string& text) override;
    void TitledMessage(const std::string& title, const std::string& text) override;
    // A plain titled box here; the skin shows its own.
    void Notice(const std::string& title, const std::string& text) override;
    bool Confirm(const std::string& text) override;
    void ErrorBox(const std::string& text) override;
};

class QtShellOpen : public ShellOpen {
public:
    void Open(const std::string& address) override;
};

// The window a box or notice opens over: the window the user last pressed a
// mouse button or a key in, while it is shown (it asked: without a window
// manager a click does not make it the active window); else the program's
// active window; else the main window while shown; none when none exists.
QWidget* MessageOwner();

// The application's event handler tells of each press here.
void NoteInputWindow(QWidget* window);

// Installs the three for the life of the program.
void InstallQtSeams();
// The screen seam InstallQtSeams installs.
QtScreen& InstalledQtScreen();

}  // namespace veltod
