#include "ui/skin/SkinWindow.h"

#include <QEvent>
#include <QShortcut>

#include "ui/skin/FocusMark.h"

namespace veltod {

TSkinWindow::TSkinWindow(const QString& name, const QColor& background, const QString& title)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint) {
    setObjectName(name);
    setWindowTitle(title.isEmpty() ? name : title);
    focus_mark_ = new TFocusMark(this);
    // Elided texts are whole in their tool tips; those must show when the
    // user points at them, not only once the window has been activated.
    setAttribute(Qt::WA_AlwaysShowToolTips);
    setMouseTracking(true);
    // An invalid colour keeps the system's window colour.
    if (background.isValid()) {
        QPalette colours = palette();
        colours.setColor(QPalette::Window, background);
        setPalette(colours);
        setAutoFillBackground(true);
    }
}

void TSkinWindow::ShowWindow(bool take_keyboard) {
    show();
    raise();
    // A window that takes no input leaves the keyboard where it is.
    if (take_keyboard && !testAttribute(Qt::WA_ShowWithoutActivating)) activateWindow();
    // Set before the handler runs: a handler that fails still counts as this
    // activation, and the system's activation must not repeat it.
    awaiting_system_activation_ = !isActiveWindow();
    RunActivate();
}

void TSkinWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() != QEvent::ActivationChange) return;
    if (!isActiveWindow()) {
        awaiting_system_activation_ = false;
        return;
    }
    if (awaiting_system_activation_) {
        awaiting_system_activation_ = false;
        return;
    }
    RunActivate();
}

void TSkinWindow::OnEscape(std::function<void()> action) {
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setContext(Qt::WindowShortcut);
    connect(escape, &QShortcut::activated, this, std::move(action));
}

void TSkinWindow::RunActivate() {
    ++activation_count_;
    FormActivate();
}

}  // namespace veltod
