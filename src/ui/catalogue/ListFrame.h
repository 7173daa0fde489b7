#pragma once
// The frame the week news, historic and file list windows share: the list
// background picture, a title along its top, the list control inside it and
// a close button in the top right corner.
#include <QFont>
#include <QLabel>
#include <QWidget>

#include "ui/skin/SkinImage.h"

namespace veltod {

inline constexpr const char* kListBackground = "Lista.gif";

// Arial bold, 11 pixels high: the lists' and titles' face.
QFont ListFont();

// The list controls' look: no border, olive background, yellow text.
void StyleListControl(QWidget* list);

// A right-aligned yellow title on the background.
void StyleListTitle(QLabel* title);

// Loads the background, sizes the window to it and places the other three:
// list at 10,25 (W-20 x H-35), title at 12,10 (window width - 44 wide),
// close button at top 10, W - its width - 10.
void LayOutListFrame(QWidget* window, TSkinImage* background, QLabel* title, QWidget* list, TSkinImage* close_button);

// A letter-spaced title as words ("W e e k    N e w s" is "Week News"), for
// the window's name on the accessibility bus.
QString SpokenTitle(const QString& title);

// Left and top of a window from the layout table for the current screen.
QPoint LayoutPlace(const char* window_name);

}  // namespace veltod
