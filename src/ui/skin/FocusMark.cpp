#include "ui/skin/FocusMark.h"

#include <QApplication>
#include <QFocusEvent>
#include <QPainter>

#include "ui/skin/SkinWindow.h"

namespace veltod {

TFocusMark::TFocusMark(QWidget* window) : QWidget(window) {
    setObjectName(QStringLiteral("FocusMark"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_TranslucentBackground);
    setFocusPolicy(Qt::NoFocus);
    hide();
    // Focus events go to the focused control, not to its window: the mark
    // listens to all of them and keeps those of its own window.
    qApp->installEventFilter(this);
}

bool TFocusMark::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type == QEvent::FocusIn) {
        auto* control = qobject_cast<QWidget*>(watched);
        if (!control || control == parentWidget() || control->window() != parentWidget()) return false;
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason == Qt::MouseFocusReason) {
            marked_ = nullptr;
        } else if (reason != Qt::ActiveWindowFocusReason || marked_ == control) {
            marked_ = control;
        }
        Follow();
    } else if (watched == marked_) {
        if (type == QEvent::FocusOut && static_cast<QFocusEvent*>(event)->reason() != Qt::ActiveWindowFocusReason)
            marked_ = nullptr;
        if (type == QEvent::FocusOut || type == QEvent::Move || type == QEvent::Resize || type == QEvent::Show ||
            type == QEvent::Hide)
            Follow();
    }
    return false;
}

void TFocusMark::Follow() {
    if (!marked_ || !marked_->isVisible()) {
        hide();
        return;
    }
    setGeometry(QRect(marked_->mapTo(parentWidget(), QPoint(0, 0)), marked_->size()));
    raise();
    show();
    update();
}

void TFocusMark::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    // Olive outside, yellow inside: one of the two stands out on any skin
    // picture, the lit rows and the yellow details window included.
    painter.setPen(QPen(kSkinOlive.darker(200), 2));
    painter.drawRect(QRectF(rect()).adjusted(1, 1, -1, -1));
    painter.setPen(QPen(kSkinYellow.lighter(125), 2));
    painter.drawRect(QRectF(rect()).adjusted(3, 3, -3, -3));
}

}  // namespace veltod
