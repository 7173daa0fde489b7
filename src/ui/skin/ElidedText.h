#pragma once
// Texts longer than their place: the start is shown and the end elided, with
// the whole text in a tool tip, so nothing is cut at both ends or runs into
// its neighbours.
#include <QLabel>
#include <QString>

namespace veltod {

// A tool tip that shows text exactly as given: tool tips guess rich text, so
// a text that looks like markup is escaped (empty text: no tool tip).
QString PlainToolTip(const QString& text);

// Shows text in the label, as plain text, within room pixels (the label's present width when
// negative); the tool tip holds the whole text only when something was left
// out.
void SetElidedText(QLabel* label, const QString& text, int room = -1);

// Two labels over one strip, one aligned left and one right: the right one
// takes what its text needs (at most half the strip), the left one the rest,
// so their texts never overlap.
void ShareStrip(QLabel* left, const QString& left_text, QLabel* right, const QString& right_text);

}  // namespace veltod
