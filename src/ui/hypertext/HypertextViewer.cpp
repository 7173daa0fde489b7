#include "ui/hypertext/HypertextViewer.h"

#include <QApplication>
#include <QClipboard>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>
#include <QScrollBar>
#include <algorithm>

#include "ui/platform/AnsiText.h"

namespace veltod {
namespace {

QColor ToColour(Rgb rgb) {
    return QColor((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

Rgb ToRgb(const QColor& colour) {
    return (static_cast<Rgb>(colour.red()) << 16) | (static_cast<Rgb>(colour.green()) << 8) |
           static_cast<Rgb>(colour.blue());
}

bool SameFont(const TextStyle& a, const TextStyle& b) {
    return a.font_name == b.font_name && a.size_points == b.size_points && a.bold == b.bold &&
           a.italic == b.italic && a.underline == b.underline && a.charset == b.charset;
}

// Each byte's character as Windows-1252 shows it.
const std::array<QChar, 256>& AnsiCharacters() {
    static const std::array<QChar, 256> characters = [] {
        std::array<QChar, 256> table{};
        for (int b = 0; b < 256; ++b) {
            const char byte = static_cast<char>(b);
            table[b] = FromAnsi(std::string_view(&byte, 1)).at(0);
        }
        return table;
    }();
    return characters;
}

}  // namespace

QFont FontForStyle(const TextStyle& style) {
    QFont font(QString::fromStdString(style.font_name));
    font.setPointSize(std::max(style.size_points, 1));
    font.setBold(style.bold);
    font.setItalic(style.italic);
    font.setUnderline(style.underline);
    // Characters are placed by their own advances; kerning would move them off
    // the positions the selection is measured with.
    font.setKerning(false);
    return font;
}

SystemColours CurrentSystemColours() {
    const QPalette palette = QApplication::palette();
    SystemColours colours;
    colours.window = ToRgb(palette.color(QPalette::Base));
    colours.window_text = ToRgb(palette.color(QPalette::Text));
    colours.highlight = ToRgb(palette.color(QPalette::Highlight));
    colours.highlight_text = ToRgb(palette.color(QPalette::HighlightedText));
    return colours;
}

QtTextMeasurer::Entry& QtTextMeasurer::Refresh(size_t style) {
    if (cache_.size() < sheet_.styles.size()) cache_.resize(sheet_.styles.size());
    Entry& entry = cache_[style];
    const TextStyle& wanted = sheet_.styles[style];
    if (entry.valid && SameFont(entry.style, wanted)) return entry;
    entry.style = wanted;
    entry.font = FontForStyle(wanted);
    const QFontMetrics metrics(entry.font);
    entry.measure.ascent = metrics.ascent();
    entry.measure.descent = metrics.descent();
    entry.measure.external_leading = std::max(metrics.leading(), 0);
    const auto& characters = AnsiCharacters();
    for (size_t b = 0; b < 256; ++b) entry.measure.widths[b] = std::max(metrics.horizontalAdvance(characters[b]), 0);
    entry.valid = true;
    return entry;
}

const FontMeasure& QtTextMeasurer::Measure(size_t style) {
    return Refresh(style).measure;
}

const QFont& QtTextMeasurer::Font(size_t style) {
    return Refresh(style).font;
}

THypertextViewer::THypertextViewer(QWidget* parent)
    : QAbstractScrollArea(parent), sheet_(DefaultStyleSheet(CurrentSystemColours())), measurer_(sheet_) {
    setFocusPolicy(Qt::ClickFocus);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    verticalScrollBar()->setSingleStep(1);
    verticalScrollBar()->setTracking(true);
    connect(verticalScrollBar(), &QScrollBar::actionTriggered, this, &THypertextViewer::VerticalAction);
    auto_scroll_.setInterval(100);
    connect(&auto_scroll_, &QTimer::timeout, this, &THypertextViewer::AutoScrollTick);
}

void THypertextViewer::SetStyleSheet(const StyleSheet& sheet) {
    // The measurer refers to sheet_, so it is replaced in place.
    sheet_ = sheet;
    if (sheet_.styles.empty()) sheet_.styles.push_back(TextStyle{});
}

void THypertextViewer::AddText(std::string_view text, int style) {
    document_.AddText(text, style);
}

void THypertextViewer::DeleteItems(int first, int count) {
    if (first < 0 || count <= 0) return;
    document_.DeleteItems(static_cast<size_t>(first), static_cast<size_t>(count));
    viewport()->update();
}

void THypertextViewer::Format() {
    formatting_ = true;
    // Showing or hiding a scroll bar changes the client width: format again,
    // at most twice more.
    for (int pass = 0; pass < 3; ++pass) {
        const int width = viewport()->width();
        document_.Format(measurer_, width);
        formatted_width_ = width;
        UpdateScrollBars();
        if (viewport()->width() == width) break;
    }
    formatting_ = false;
    viewport()->update();
}

void THypertextViewer::UpdateScrollBars() {
    QScrollBar* vertical = verticalScrollBar();
    const int unit = document_.ScrollUnit();
    const int client_height = viewport()->height();
    vertical->setPageStep(std::max(client_height / unit, 1));
    vertical->setRange(0, document_.MaxScrollPosition(client_height));
    QScrollBar* horizontal = horizontalScrollBar();
    horizontal->setSingleStep(unit);
    horizontal->setPageStep(10 * unit);
    horizontal->setRange(0, std::max(document_.ContentWidth() - viewport()->width(), 0));
    // Qt would show or hide the bars only after the next event; deciding here
    // lets Format see the new client size at once and wrap for it.
    const auto policy = [](bool needed) { return needed ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff; };
    setVerticalScrollBarPolicy(policy(vertical->maximum() > 0));
    setHorizontalScrollBarPolicy(policy(horizontal->maximum() > 0));
}

int THypertextViewer::VerticalPosition() const {
    return verticalScrollBar()->value();
}

void THypertextViewer::ScrollTo(int pixels) {
    verticalScrollBar()->setValue(document_.ScrollPositionFor(pixels, viewport()->height()));
}

void THypertextViewer::ScrollByUnits(int units) {
    QScrollBar* vertical = verticalScrollBar();
    vertical->setValue(std::clamp(vertical->value() + units, vertical->minimum(), vertical->maximum()));
}

void THypertextViewer::VerticalAction(int action) {
    // The thumb shows the page, but a click in the track moves 10 units.
    QScrollBar* vertical = verticalScrollBar();
    if (action == QAbstractSlider::SliderPageStepAdd)
        vertical->setSliderPosition(std::min(vertical->value() + 10, vertical->maximum()));
    else if (action == QAbstractSlider::SliderPageStepSub)
        vertical->setSliderPosition(std::max(vertical->value() - 10, vertical->minimum()));
}

void THypertextViewer::scrollContentsBy(int, int) {
    viewport()->update();
}

void THypertextViewer::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    if (formatting_) return;
    if (viewport()->width() != formatted_width_ && formatted_width_ >= 0) {
        Format();
    } else {
        UpdateScrollBars();
    }
}

void THypertextViewer::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    const QRect client = viewport()->rect();
    painter.fillRect(client, ToColour(sheet_.background));
    const int top = verticalScrollBar()->value() * document_.ScrollUnit();
    const int left = horizontalScrollBar()->value();
    const auto [first, last] = document_.LinesBetween(top, top + client.height());
    const auto& characters = AnsiCharacters();
    const QColor selection_background = ToColour(sheet_.selection_background);
    const QColor selection_text = ToColour(sheet_.selection_text);
    for (size_t i = first; i < last; ++i) {
        const DrawnLine& line = document_.Lines()[i];
        const Paragraph& paragraph = document_.Paragraphs()[line.paragraph];
        const size_t style =
            paragraph.style >= 0 && static_cast<size_t>(paragraph.style) < sheet_.styles.size() ? paragraph.style : 0;
        const FontMeasure& measure = measurer_.Measure(style);
        painter.setFont(measurer_.Font(style));
        const QColor colour = ToColour(sheet_.styles[style].colour);
        const auto [selected_from, selected_to] = document_.SelectedOnLine(i);
        const int baseline = line.top + line.ascent - top;
        int x = line.left - left;
        for (size_t k = 0; k < line.length; ++k) {
            const char byte = paragraph.text[line.first + k];
            const int advance = measure.Width(byte);
            const bool selected = k >= selected_from && k < selected_to;
            if (selected) {
                painter.fillRect(QRect(x, line.top - top, advance, line.height), selection_background);
                painter.setPen(selection_text);
            } else {
                painter.setPen(colour);
            }
            if (x + advance >= 0 && x < client.width())
                painter.drawText(QPoint(x, baseline), QString(characters[static_cast<unsigned char>(byte)]));
            x += advance;
        }
    }
}

TextPosition THypertextViewer::PositionAtViewport(QPoint point) {
    const int x = point.x() + horizontalScrollBar()->value();
    const int y = point.y() + verticalScrollBar()->value() * document_.ScrollUnit();
    return document_.PositionAt(measurer_, x, y);
}

void THypertextViewer::mousePressEvent(QMouseEvent* event) {
    setFocus(Qt::MouseFocusReason);
    if (event->button() != Qt::LeftButton) return;
    pointer_ = event->position().toPoint();
    document_.StartSelection(PositionAtViewport(pointer_));
    selecting_ = true;
    auto_scroll_.start();
    viewport()->update();
}

void THypertextViewer::mouseMoveEvent(QMouseEvent* event) {
    if (!selecting_ || !(event->buttons() & Qt::LeftButton)) return;
    pointer_ = event->position().toPoint();
    document_.ExtendSelection(PositionAtViewport(pointer_));
    viewport()->update();
}

void THypertextViewer::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    selecting_ = false;
    auto_scroll_.stop();
}

void THypertextViewer::hideEvent(QHideEvent* event) {
    // A hidden viewer never sees the button's release: end the drag here so
    // the auto-scroll timer does not run on.
    selecting_ = false;
    auto_scroll_.stop();
    QAbstractScrollArea::hideEvent(event);
}

void THypertextViewer::AutoScrollTick() {
    if (!selecting_) {
        auto_scroll_.stop();
        return;
    }
    const int units = AutoScrollUnits(pointer_.y(), viewport()->height());
    if (units == 0) return;
    ScrollByUnits(units);
    document_.ExtendSelection(PositionAtViewport(pointer_));
    viewport()->update();
}

void THypertextViewer::CopySelection() {
    if (!document_.HasSelection()) return;
    QApplication::clipboard()->setText(FromAnsi(document_.SelectedText()));
}

void THypertextViewer::keyPressEvent(QKeyEvent* event) {
    const bool control = event->modifiers() & Qt::ControlModifier;
    QScrollBar* horizontal = horizontalScrollBar();
    switch (event->key()) {
    case Qt::Key_C:
    case Qt::Key_Insert:
        if (!control) break;
        CopySelection();
        return;
    case Qt::Key_Up: ScrollByUnits(-1); return;
    case Qt::Key_Down: ScrollByUnits(1); return;
    case Qt::Key_PageUp: ScrollByUnits(-10); return;
    case Qt::Key_PageDown: ScrollByUnits(10); return;
    case Qt::Key_Home: verticalScrollBar()->setValue(0); return;
    case Qt::Key_End: verticalScrollBar()->setValue(verticalScrollBar()->maximum()); return;
    case Qt::Key_Left: horizontal->setValue(horizontal->value() - document_.ScrollUnit()); return;
    case Qt::Key_Right: horizontal->setValue(horizontal->value() + document_.ScrollUnit()); return;
    default: break;
    }
    QAbstractScrollArea::keyPressEvent(event);
}

}  // namespace veltod
