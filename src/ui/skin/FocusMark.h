#pragma once
// The keyboard focus drawn on a skinned window: a frame in the skin's two
// colours around the control that Tab or the arrows reached, so it shows on
// the olive and on the yellow windows alike. Focus that a click gives draws
// nothing: the mouse sees the windows as they always were.
#include <QPointer>
#include <QWidget>

namespace veltod {

class TFocusMark : public QWidget {
public:
    explicit TFocusMark(QWidget* window);

    // The control the mark is drawn around, or null when none.
    QWidget* Marked() const { return marked_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void Follow();

    QPointer<QWidget> marked_;
};

}  // namespace veltod
