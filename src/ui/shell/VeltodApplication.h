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

}  // namespace veltod
