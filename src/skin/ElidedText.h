#pragma once
// Texts longer than their place: the start is shown and the end elided, with
// the whole text in a tool tip, so nothing is cut at both ends or runs into
// its neighbours.
#include <QLabel>
#include <QString>

namespace veltod {

// Shows text in the label at the label's present width; the tool tip holds
// the whole text only when something was left out.
void SetElidedText(QLabel* label, const QString& text);

}  // namespace veltod
