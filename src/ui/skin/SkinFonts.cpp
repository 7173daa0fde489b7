#include "ui/skin/SkinFonts.h"

namespace veltod {

QFont SkinBoldFont(int pixels) {
    QFont font(QStringLiteral("Arial"));
    font.setBold(true);
    font.setPixelSize(pixels);
    return font;
}

QFont SkinMessageFont() {
    QFont font(QStringLiteral("Arial Black"));
    font.setPixelSize(11);
    return font;
}

QList<QFont> FirstPageFonts() { return {SkinBoldFont(10), SkinBoldFont(11), SkinMessageFont()}; }

}  // namespace veltod
