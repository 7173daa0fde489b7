// Formatting a 200 KB one-paragraph description in a viewer 400 pixels wide,
// beside Qt's QTextLayout wrapping the same text at the same width and font.
#include <QApplication>
#include <QTextLayout>
#include <QTextOption>
#include <algorithm>
#include <cstdlib>
#include <string>

#include "bench_support.h"
#include "ui/hypertext/HypertextViewer.h"
#include "ui/platform/AnsiText.h"

namespace {

std::string Description(size_t bytes) {
    static const char* const words[] = {"shareware", "utility", "for", "your", "desktop", "files", "and",
                                        "folders,", "with", "a", "fast", "search", "engine", "that",
                                        "indexes", "everything", "in", "seconds.", "Includes", "backup"};
    std::string text;
    unsigned seed = 12345;
    while (text.size() < bytes) {
        seed = seed * 1103515245u + 12345u;
        text += words[(seed >> 16) % 20];
        text += ' ';
    }
    text.resize(bytes);
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    const std::string text = Description(200 * 1024);
    constexpr int kRuns = 7;

    veltod::THypertextViewer viewer;
    viewer.SetStyleSheet(veltod::DetailsStyleSheet(veltod::CurrentSystemColours()));
    viewer.resize(400, 300);
    viewer.show();
    // The client area is 400 pixels wide once the scroll bar is in place.
    viewer.resize(400 + (viewer.width() - viewer.viewport()->width()), 300);
    viewer.AddText(text, 0);
    viewer.Format();
    viewer.resize(400 + (viewer.width() - viewer.viewport()->width()), 300);
    const int text_width = viewer.viewport()->width() - 10;

    double ours = 1e30;
    for (int run = 0; run < kRuns; ++run) {
        const double start = bench::Seconds();
        viewer.Format();
        ours = std::min(ours, bench::Seconds() - start);
    }

    const QString unicode = veltod::FromAnsi(text);
    const QFont font = veltod::FontForStyle(viewer.Sheet().styles[0]);
    QTextOption option;
    option.setWrapMode(QTextOption::WordWrap);
    double ref = 1e30;
    int qt_lines = 0;
    for (int run = 0; run < kRuns; ++run) {
        const double start = bench::Seconds();
        QTextLayout layout(unicode, font);
        layout.setTextOption(option);
        layout.beginLayout();
        qreal y = 0;
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(text_width);
            line.setPosition(QPointF(0, y));
            y += line.height();
        }
        layout.endLayout();
        qt_lines = layout.lineCount();
        ref = std::min(ref, bench::Seconds() - start);
    }

    std::fprintf(stderr, "viewer: %zu lines, QTextLayout: %d lines, text width %d\n",
                 viewer.Document().Lines().size(), qt_lines, text_width);
    bench::Report("viewer_format_200kb", ours, ref, 1.0, bench::PeakMiB());
    return 0;
}
