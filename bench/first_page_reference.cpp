// The floor for a start-up: a Qt Widgets program that opens one borderless
// window per picture given, side by side, and, like the program's paint
// mark, appends a line to $VELTOD_PAINT_MARK once every window has painted.
// With one picture it is the one-window program the start is measured
// against; with one per window of the first page it shows what showing that
// many windows costs by itself. With "--rows N" first, the last window is
// instead a column of N rows, each its picture beside a caption in the
// captions' bold face, as plain labels: what the page's text costs on top;
// with "--drawn-rows N", the same rows painted by the one widget.
#include <QApplication>
#include <QFont>
#include <QLabel>
#include <QFontMetrics>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace {

int unpainted = 0;

void MarkOnce(bool& marked) {
    if (marked) return;
    marked = true;
    if (--unpainted > 0) return;
    QTimer::singleShot(0, [] {
        if (std::FILE* out = std::fopen(std::getenv("VELTOD_PAINT_MARK"), "a")) {
            std::fputs("painted\n", out);
            std::fclose(out);
        }
    });
}

class Picture : public QLabel {
protected:
    void paintEvent(QPaintEvent* event) override {
        QLabel::paintEvent(event);
        MarkOnce(marked_);
    }

private:
    bool marked_ = false;
};

QString Caption(int row) { return QStringLiteral("Entry %1 of the day, version 1.%1").arg(row); }

QFont CaptionFont() { return QFont(QStringLiteral("Arial"), 11, QFont::Bold); }

// Each row a picture label and a caption label.
class Rows : public QWidget {
public:
    Rows(const QPixmap& picture, int rows) {
        int width = 0;
        for (int k = 0; k < rows; ++k) {
            const int top = k * picture.height();
            auto* image = new QLabel(this);
            image->setPixmap(picture);
            image->setGeometry(0, top, picture.width(), picture.height());
            auto* caption = new QLabel(Caption(k + 1), this);
            caption->setFont(CaptionFont());
            caption->adjustSize();
            caption->move(picture.width() + 4, top);
            width = std::max(width, caption->x() + caption->width());
        }
        resize(width, rows * picture.height());
    }

protected:
    void paintEvent(QPaintEvent*) override { MarkOnce(marked_); }

private:
    bool marked_ = false;
};

// The same rows painted by the one widget.
class DrawnRows : public QWidget {
public:
    DrawnRows(const QPixmap& picture, int rows) : picture_(picture), rows_(rows) {
        const QFontMetrics metrics(CaptionFont());
        resize(picture.width() + 4 + metrics.horizontalAdvance(Caption(rows)), rows * picture.height());
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setFont(CaptionFont());
        const QFontMetrics metrics(painter.font());
        for (int k = 0; k < rows_; ++k) {
            const int top = k * picture_.height();
            painter.drawPixmap(0, top, picture_);
            painter.drawText(picture_.width() + 4, top + metrics.ascent(), Caption(k + 1));
        }
        MarkOnce(marked_);
    }

private:
    QPixmap picture_;
    int rows_;
    bool marked_ = false;
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    int first = 1, rows = 0;
    const bool labelled = argc > 3 && std::strcmp(argv[1], "--rows") == 0;
    const bool drawn = argc > 3 && std::strcmp(argv[1], "--drawn-rows") == 0;
    if (labelled || drawn) {
        rows = std::atoi(argv[2]);
        first = 3;
    }
    if (argc <= first || !std::getenv("VELTOD_PAINT_MARK")) return 2;
    std::vector<std::unique_ptr<QWidget>> windows;
    // Side by side, on as many lines as the screen needs: a window off the
    // screen is never exposed and would cost less than one the user sees.
    const int screen_width = QApplication::primaryScreen()->availableGeometry().width();
    int left = 0, top = 0, line_height = 0;
    for (int k = first; k < argc; ++k) {
        const QPixmap picture(QString::fromLocal8Bit(argv[k]));
        std::unique_ptr<QWidget> window;
        if (rows > 0 && k == argc - 1) {
            if (drawn)
                window = std::make_unique<DrawnRows>(picture, rows);
            else
                window = std::make_unique<Rows>(picture, rows);
        } else {
            auto label = std::make_unique<Picture>();
            label->setPixmap(picture);
            window = std::move(label);
        }
        window->setWindowFlags(Qt::FramelessWindowHint);
        const QSize size = window->sizeHint();
        if (left > 0 && left + size.width() > screen_width) {
            left = 0;
            top += line_height;
            line_height = 0;
        }
        window->move(left, top);
        left += size.width();
        line_height = std::max(line_height, size.height());
        windows.push_back(std::move(window));
    }
    unpainted = static_cast<int>(windows.size());
    for (const auto& window : windows) window->show();
    return app.exec();
}
