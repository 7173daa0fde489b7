#include "ui/catalogue/ListFrame.h"

#include <QRegularExpression>

#include "core/platform/seams.h"
#include "core/skin/screen_layout.h"
#include "ui/skin/SkinFonts.h"

namespace veltod {

QFont ListFont() { return SkinBoldFont(11); }

void StyleListControl(QWidget* list) {
    list->setFont(ListFont());
    list->setStyleSheet(QStringLiteral("background-color: #666600; color: #CCCC00; border: none;"));
}

void StyleListTitle(QLabel* title) {
    title->setTextFormat(Qt::PlainText);
    title->setFont(ListFont());
    title->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    title->setStyleSheet(QStringLiteral("color: #CCCC00; background: transparent;"));
    title->setAttribute(Qt::WA_TranslucentBackground);
}

void LayOutListFrame(QWidget* window, TSkinImage* background, QLabel* title, QWidget* list, TSkinImage* close_button) {
    background->LoadPicture(ResourcePicture(kListBackground));
    background->move(0, 0);
    const int width = background->width();
    const int height = background->height();
    window->setFixedSize(width, height);
    list->setGeometry(10, 25, width - 20, height - 35);
    title->setGeometry(12, 10, window->width() - 44, ListFont().pixelSize() + 3);
    close_button->move(width - close_button->width() - 10, 10);
    background->lower();
}

QString SpokenTitle(const QString& title) {
    // Words are set apart by two blanks or more; a word spelled out letter
    // by letter has single blanks between single letters.
    QStringList words;
    for (const QString& word : title.split(QRegularExpression(QStringLiteral(" {2,}")), Qt::SkipEmptyParts)) {
        static const QRegularExpression spelled(QStringLiteral("^\\S( \\S)+$"));
        words << (spelled.match(word).hasMatch() ? QString(word).remove(QLatin1Char(' ')) : word);
    }
    return words.join(QLatin1Char(' '));
}

QPoint LayoutPlace(const char* window_name) {
    const std::string key = CurrentLayoutKey();
    return {LayoutLeft(window_name, key), LayoutTop(window_name, key)};
}

}  // namespace veltod
