#pragma once
// Lays the windows out again when the screen they are laid out on changes:
// a new resolution, a panel added or removed, the main window moved to
// another monitor, a monitor unplugged.
#include <QObject>
#include <string>

class QScreen;
class QWidget;

namespace veltod {

// Moves every skin window from the layout of old_key to that of new_key: each
// keeps its offset from its layout place, so the adjustments a window makes
// to its table place (its own width, the main window's) stay; each window may
// then size itself for the new layout (LayoutChanged). A window that is then
// not wholly on the work area is pulled onto it.
void RelayOutWindows(const std::string& old_key, const std::string& new_key);

class TScreenFollower : public QObject {
public:
    // Watches the screens and the window the layout follows (the main window).
    explicit TScreenFollower(QWidget* followed);

    // Lays out again when the layout key has changed since the last time.
    void Check();

private:
    void Watch(QScreen* screen);
    QWidget* followed_;
    std::string key_;
};

}  // namespace veltod
