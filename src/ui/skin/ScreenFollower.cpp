#include "ui/skin/ScreenFollower.h"

#include <QApplication>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <algorithm>

#include "core/skin/screen_layout.h"
#include "ui/skin/SkinWindow.h"

namespace veltod {
namespace {

bool HasLayout(const QString& name) {
    try {
        LayoutLeft(name.toStdString(), "800x600");
        return true;
    } catch (const std::invalid_argument&) {
        return false;
    }
}

}  // namespace

void RelayOutWindows(const std::string& old_key, const std::string& new_key) {
    const ScreenRect work = TheScreen().Desktop();
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* window = qobject_cast<TSkinWindow*>(widget);
        if (!window) continue;
        QPoint place = window->pos();
        const std::string name = window->objectName().toStdString();
        if (HasLayout(window->objectName()))
            place += QPoint(LayoutLeft(name, new_key) - LayoutLeft(name, old_key),
                            LayoutTop(name, new_key) - LayoutTop(name, old_key));
        window->move(place);
        window->LayoutChanged();
        place = window->pos();
        // Never left off the screen: the right and bottom edges first, so a
        // window larger than the work area keeps its top left corner on it.
        place.setX(std::max(std::min(place.x(), work.left + work.width - window->width()), work.left));
        place.setY(std::max(std::min(place.y(), work.top + work.height - window->height()), work.top));
        window->move(place);
    }
}

TScreenFollower::TScreenFollower(QWidget* followed) : QObject(followed), followed_(followed) {
    key_ = CurrentLayoutKey();
    for (QScreen* screen : QGuiApplication::screens()) Watch(screen);
    connect(qApp, &QGuiApplication::screenAdded, this, [this](QScreen* screen) {
        Watch(screen);
        Check();
    });
    // Checked once the window has been moved off a screen that is going.
    connect(qApp, &QGuiApplication::screenRemoved, this, [this] { QTimer::singleShot(0, this, [this] { Check(); }); });
    connect(qApp, &QGuiApplication::primaryScreenChanged, this, [this] { Check(); });
    followed_->winId();  // creates the native window whose screen is watched
    if (QWindow* window = followed_->windowHandle())
        connect(window, &QWindow::screenChanged, this, [this] { Check(); });
}

void TScreenFollower::Watch(QScreen* screen) {
    connect(screen, &QScreen::geometryChanged, this, [this] { Check(); });
    connect(screen, &QScreen::availableGeometryChanged, this, [this] { Check(); });
}

void TScreenFollower::Check() {
    const std::string key = CurrentLayoutKey();
    if (key == key_) return;
    RelayOutWindows(key_, key);
    key_ = key;
}

}  // namespace veltod
