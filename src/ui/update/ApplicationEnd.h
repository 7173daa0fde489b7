#pragma once
// Ends the program once the handler that asked has returned. The request is
// queued, so it also holds when asked before the event loop has started (the
// main window's first activation runs then).
#include <QCoreApplication>
#include <QMetaObject>

#include "core/apply/received_files.h"

namespace veltod {

class TApplicationEnd : public ApplyOwner {
public:
    void RequestEnd() override {
        QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit, Qt::QueuedConnection);
    }
};

}  // namespace veltod
