#pragma once
// Notifications through the desktop's notification service
// (org.freedesktop.Notifications on the session bus). Without a session bus
// or without the service nothing is shown and nothing fails.
#include <QObject>
#include <QString>

namespace veltod {

class TDesktopNotifications : public QObject {
    Q_OBJECT
public:
    // Shows a notification; its id, or 0 when no service took it. With
    // clickable, a click on it is offered as its default action. The body is
    // plain text: a service that reads markup gets it escaped.
    uint Notify(const QString& summary, const QString& body, bool clickable);

    // Waits until notification id is clicked (true), closed, or the time is
    // up (false).
    bool WaitForClick(uint id, int timeout_ms);

private slots:
    void ActionInvoked(uint id, const QString& action);
    void NotificationClosed(uint id, uint reason);

private:
    bool Listen();
    bool listening_ = false;
    uint clicked_ = 0;
    uint closed_ = 0;
};

}  // namespace veltod
