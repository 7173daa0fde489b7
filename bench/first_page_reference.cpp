// The floor for a start-up: a Qt Widgets program that opens one borderless
// window per picture given, side by side, and, like the program's paint
// mark, appends a line to $VELTOD_PAINT_MARK once every window has painted.
// With one picture it is the one-window program the start is measured
// against; with one per window of the first page it shows what showing that
// many windows costs by itself.
#include <QApplication>
#include <QLabel>
#include <QPixmap>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

int unpainted = 0;

class Picture : public QLabel {
protected:
    void paintEvent(QPaintEvent* event) override {
        QLabel::paintEvent(event);
        if (marked_) return;
        marked_ = true;
        if (--unpainted > 0) return;
        QTimer::singleShot(0, [] {
            if (std::FILE* out = std::fopen(std::getenv("VELTOD_PAINT_MARK"), "a")) {
                std::fputs("painted\n", out);
                std::fclose(out);
            }
        });
    }

private:
    bool marked_ = false;
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2 || !std::getenv("VELTOD_PAINT_MARK")) return 2;
    std::vector<std::unique_ptr<Picture>> windows;
    int left = 0;
    for (int k = 1; k < argc; ++k) {
        auto window = std::make_unique<Picture>();
        window->setWindowFlags(Qt::FramelessWindowHint);
        window->setPixmap(QPixmap(QString::fromLocal8Bit(argv[k])));
        window->move(left, 0);
        left += window->sizeHint().width();
        windows.push_back(std::move(window));
    }
    unpainted = static_cast<int>(windows.size());
    for (const auto& window : windows) window->show();
    return app.exec();
}
