#pragma once
// The skin's lettering: labels, captions and lists in bold Arial, the message
// plate in Arial Black, each at a pixel size so the pictures fit it at any
// screen resolution.
#include <QFont>
#include <QList>
#include <string>
#include <vector>

namespace veltod {

QFont SkinBoldFont(int pixels);
QFont SkinMessageFont();

// What the first page shows its texts in: the version label, the day news
// captions and the message plate.
QList<QFont> FirstPageFonts();

// Every family a window names, and the toolkit's default: the faces the
// program draws with.
std::vector<std::string> SkinFontFamilies();

}  // namespace veltod
