#pragma once
#include <QApplication>

namespace veltod {

// The application's default error handler: an error that escapes an event
// handler is shown in the error box and the program goes on.
class VeltodApplication : public QApplication {
public:
    VeltodApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

// Shows the text of the exception being handled; for use in catch blocks.
void ReportCurrentException();

}  // namespace veltod
