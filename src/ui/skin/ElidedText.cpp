#include "ui/skin/ElidedText.h"

#include <QFontMetrics>
#include <QTextDocument>
#include <algorithm>

namespace veltod {

QString PlainToolTip(const QString& text) {
    if (!Qt::mightBeRichText(text)) return text;
    return QStringLiteral("<p style=\"white-space:pre-wrap\">") + text.toHtmlEscaped() + QStringLiteral("</p>");
}

void SetElidedText(QLabel* label, const QString& text, int room) {
    // Texts come from files and servers: never markup.
    label->setTextFormat(Qt::PlainText);
    if (room < 0) room = label->contentsRect().width();
    const QString shown = room > 0 ? QFontMetrics(label->font()).elidedText(text, Qt::ElideRight, room) : text;
    label->setText(shown);
    label->setToolTip(shown == text ? QString() : PlainToolTip(text));
}

void ShareStrip(QLabel* left, const QString& left_text, QLabel* right, const QString& right_text) {
    constexpr int kGap = 12;
    // Measured in the parent: the two labels need not start or end together.
    const int left_start = left->x() + left->contentsRect().left();
    const int right_end = right->x() + right->contentsRect().right() + 1;
    const int strip = std::max(0, right_end - left_start);
    const int needed = QFontMetrics(right->font()).horizontalAdvance(right_text);
    const int right_room = std::min({needed, strip / 2, right->contentsRect().width()});
    SetElidedText(right, right_text, right_room);
    const int left_room = std::min(left->contentsRect().width(), strip - right_room - kGap);
    SetElidedText(left, left_text, std::max(0, left_room));
}

}  // namespace veltod
