#include "shell/FormNetFiles.h"

#include "platform/seams.h"
#include "shell/screen_layout.h"

namespace veltod {

TFormNetFiles::TFormNetFiles(QWidget* parent) : QWidget(parent, Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("FormNetFiles"));
    setWindowTitle(QStringLiteral("VeltoD"));
    setStyleSheet(QStringLiteral("background-color: #666600;"));
    resize(314, 71);
    const ScreenRect screen = TheScreen().Size();
    const std::string key = ResolutionKey(screen.width, screen.height);
    move(LayoutLeft("FormNetFiles", key) - width(), LayoutTop("FormNetFiles", key));
}

}  // namespace veltod
