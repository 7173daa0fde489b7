#include "ui/shell/VeltodApplication.h"

#include "ui/skin/ReportedError.h"

namespace veltod {

VeltodApplication::VeltodApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool VeltodApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        ReportCurrentException();
        return false;
    }
}

}  // namespace veltod
