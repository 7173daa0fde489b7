#include "shell/VeltodApplication.h"

#include <exception>

#include "platform/seams.h"

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

void ReportCurrentException() {
    std::string text = "Unknown error";
    try {
        throw;
    } catch (const std::exception& error) {
        text = error.what();
    } catch (...) {
    }
    if (Dialogs* dialogs = CurrentSeams().dialogs) dialogs->ErrorBox(text);
}

}  // namespace veltod
