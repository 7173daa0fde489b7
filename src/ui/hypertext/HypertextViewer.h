#pragma once
// The hypertext viewer control: a read-only scrollable view of styled
// paragraphs with mouse selection and copying. The rules live in
// HypertextDocument; this class measures with Qt's fonts, paints and turns
// keys, mouse and scroll bars into document operations.
#include <QAbstractScrollArea>
#include <QFont>
#include <QPoint>
#include <QTimer>
#include <string_view>
#include <vector>

#include "core/hypertext/hypertext_document.h"

namespace veltod {

// FontMeasure from Qt's font metrics, cached per style until the style's font
// changes.
class QtTextMeasurer : public TextMeasurer {
public:
    explicit QtTextMeasurer(const StyleSheet& sheet) : sheet_(sheet) {}
    const FontMeasure& Measure(size_t style) override;
    size_t StyleCount() const override { return sheet_.styles.size(); }
    const QFont& Font(size_t style);

private:
    struct Entry {
        TextStyle style;
        QFont font;
        FontMeasure measure;
        bool valid = false;
    };
    Entry& Refresh(size_t style);

    const StyleSheet& sheet_;
    std::vector<Entry> cache_;
};

QFont FontForStyle(const TextStyle& style);
SystemColours CurrentSystemColours();

class THypertextViewer : public QAbstractScrollArea {
    Q_OBJECT

public:
    explicit THypertextViewer(QWidget* parent = nullptr);

    void SetStyleSheet(const StyleSheet& sheet);
    const StyleSheet& Sheet() const { return sheet_; }
    // A style whose colour or font a caller changes; a format applies it.
    TextStyle& Style(size_t index) { return sheet_.styles.at(index); }

    // Text is Windows-1252 bytes.
    void AddText(std::string_view text, int style);
    void Format();
    int ItemCount() const { return static_cast<int>(document_.ItemCount()); }
    void DeleteItems(int first, int count);
    void ScrollTo(int pixels);

    const HypertextDocument& Document() const { return document_; }
    // The scroll position in units, and the auto-scroll timer (tests drive it).
    int VerticalPosition() const;
    const QTimer& AutoScrollTimer() const { return auto_scroll_; }
    // One tick of the auto-scroll timer while a selection is dragged.
    void AutoScrollTick();
    // Puts the selection on the clipboard when there is one.
    void CopySelection();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void hideEvent(QHideEvent* event) override;

private:
    void UpdateScrollBars();
    void ScrollByUnits(int units);
    TextPosition PositionAtViewport(QPoint point);
    void VerticalAction(int action);

    StyleSheet sheet_;
    HypertextDocument document_;
    QtTextMeasurer measurer_;
    QTimer auto_scroll_;
    QPoint pointer_;
    bool selecting_ = false;
    bool formatting_ = false;
    int formatted_width_ = -1;
};

}  // namespace veltod
