#include "skin/ElidedText.h"

#include <QFontMetrics>

namespace veltod {

void SetElidedText(QLabel* label, const QString& text) {
    const int room = label->contentsRect().width();
    const QString shown = room > 0 ? QFontMetrics(label->font()).elidedText(text, Qt::ElideRight, room) : text;
    label->setText(shown);
    label->setToolTip(shown == text ? QString() : text);
}

}  // namespace veltod
