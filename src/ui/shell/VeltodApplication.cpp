#include "ui/shell/VeltodApplication.h"

#include "ui/platform/QtSeams.h"
#include "ui/skin/Pressable.h"
#include "ui/skin/ReportedError.h"

namespace veltod {

VeltodApplication::VeltodApplication(int& argc, char** argv) : QApplication(argc, argv) {
    InstallPressableAccessibility();
}

bool VeltodApplication::notify(QObject* receiver, QEvent* event) {
    const QEvent::Type type = event->type();
    if ((type == QEvent::MouseButtonPress || type == QEvent::KeyPress) && receiver->isWidgetType())
        NoteInputWindow(static_cast<QWidget*>(receiver)->window());
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        ReportCurrentException();
        return false;
    }
}

}  // namespace veltod
