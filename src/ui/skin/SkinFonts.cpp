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

std::vector<std::string> SkinFontFamilies() {
    // "Sans Serif" is the toolkit's default, resolved as the user's
    // configuration says for the session's language.
    return {"Arial", "Arial Black", "MS Sans Serif", "Sans Serif"};
}

}  // namespace veltod
