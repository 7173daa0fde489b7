#pragma once
// What the program needs from its surroundings and tests replace: the screen,
// dialogs, the shell's open service and the clock. The program installs the
// real ones at start; a test installs doubles. One process-wide set, held
// here and nowhere else.
#include <ctime>
#include <string>

namespace veltod {

struct ScreenRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

class Screen {
public:
    virtual ~Screen() = default;
    // The whole screen (ResolutionKey is built from it).
    virtual ScreenRect Size() const = 0;
    // The desktop work area (the screen less panels).
    virtual ScreenRect Desktop() const = 0;
};

class Dialogs {
public:
    virtual ~Dialogs() = default;
    // A modal message box with an OK button.
    virtual void Message(const std::string& text) = 0;
    // The same under a title of its own.
    virtual void TitledMessage(const std::string& title, const std::string& text) = 0;
    // Good news the user waits for, in the program's own look; modal, with OK.
    virtual void Notice(const std::string& title, const std::string& text) = 0;
    // "Confirm" with "&Yes" and "&No"; true for Yes.
    virtual bool Confirm(const std::string& text) = 0;
    // The error box of the application's default handler.
    virtual void ErrorBox(const std::string& text) = 0;
};

class ShellOpen {
public:
    virtual ~ShellOpen() = default;
    // Opens an address, a "mailto:" address or a file in its default program.
    virtual void Open(const std::string& address) = 0;
};

class Clock {
public:
    virtual ~Clock() = default;
    virtual std::time_t Now() const = 0;
    // Seconds east of UTC in force at the given moment.
    virtual long UtcOffsetSeconds(std::time_t moment) const = 0;
};

// The operating system's clock and time zone.
class SystemClock : public Clock {
public:
    std::time_t Now() const override;
    long UtcOffsetSeconds(std::time_t moment) const override;
};

struct Seams {
    Screen* screen = nullptr;
    Dialogs* dialogs = nullptr;
    ShellOpen* shell = nullptr;
    Clock* clock = nullptr;
};

// The process-wide set. The clock defaults to the system clock; the others
// are installed by the program (or a test) before any window is created.
Seams& CurrentSeams();

// Helpers that raise std::logic_error when a seam is missing, so a forgotten
// installation is a clear failure instead of a null dereference.
Screen& TheScreen();
Dialogs& TheDialogs();
ShellOpen& TheShell();
Clock& TheClock();

}  // namespace veltod
