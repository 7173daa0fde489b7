#pragma once
// The real seams on Qt: the primary screen, message boxes and the desktop's
// open service (xdg-open).
#include "platform/seams.h"

namespace veltod {

class QtScreen : public Screen {
public:
    ScreenRect Size() const override;
    ScreenRect Desktop() const override;
};

class QtDialogs : public Dialogs {
public:
    void Message(const std::string& text) override;
    void TitledMessage(const std::string& title, const std::string& text) override;
    bool Confirm(const std::string& text) override;
    void ErrorBox(const std::string& text) override;
};

class QtShellOpen : public ShellOpen {
public:
    void Open(const std::string& address) override;
};

// Installs the three for the life of the program.
void InstallQtSeams();

}  // namespace veltod
