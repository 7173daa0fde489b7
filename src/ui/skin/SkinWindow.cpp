#include "ui/skin/SkinWindow.h"

#include <QEvent>

namespace veltod {

TSkinWindow::TSkinWindow(const QString& name, const QColor& background)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint) {
    setObjectName(name);
    setMouseTracking(true);
    // An invalid colour keeps the system's window colour.
    if (background.isValid()) {
        QPalette colours = palette();
        colours.setColor(QPalette::Window, background);
        setPalette(colours);
        setAutoFillBackground(true);
    }
}

void TSkinWindow::ShowWindow() {
    show();
    raise();
    activateWindow();
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

void TSkinWindow::RunActivate() {
    ++activation_count_;
    FormActivate();
}

}  // namespace veltod
