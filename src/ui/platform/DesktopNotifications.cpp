#include "ui/platform/DesktopNotifications.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QStringList>
#include <QTimer>
#include <QVariantMap>

namespace veltod {
namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");
// A service that does not answer in this time is taken as none.
constexpr int kCallTimeoutMs = 5000;

QDBusMessage Call(const QString& method, const QList<QVariant>& arguments = {}) {
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, method);
    call.setArguments(arguments);
    return QDBusConnection::sessionBus().call(call, QDBus::Block, kCallTimeoutMs);
}

bool ReadsMarkup() {
    const QDBusMessage reply = Call(QStringLiteral("GetCapabilities"));
    return reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty() &&
           reply.arguments().first().toStringList().contains(QStringLiteral("body-markup"));
}

}  // namespace

bool TDesktopNotifications::Listen() {
    if (listening_) return true;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return false;
    // Before the notification is shown: a click may come at once.
    bus.connect(kService, kPath, kInterface, QStringLiteral("ActionInvoked"), this,
                SLOT(ActionInvoked(uint, QString)));
    bus.connect(kService, kPath, kInterface, QStringLiteral("NotificationClosed"), this,
                SLOT(NotificationClosed(uint, uint)));
    listening_ = true;
    return true;
}

uint TDesktopNotifications::Notify(const QString& summary, const QString& body, bool clickable) {
    if (!Listen()) return 0;
    const QString text = ReadsMarkup() ? body.toHtmlEscaped() : body;
    const QStringList actions = clickable ? QStringList{QStringLiteral("default"), QStringLiteral("Show")} : QStringList{};
    const QVariantMap hints{{QStringLiteral("desktop-entry"), QStringLiteral("example.veltod.VeltoD")}};
    const QDBusMessage reply =
        Call(QStringLiteral("Notify"), {QStringLiteral("VeltoD"), uint{0}, QStringLiteral("veltod"), summary, text,
                                        actions, hints, -1});
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return 0;
    return reply.arguments().first().toUInt();
}

bool TDesktopNotifications::WaitForClick(uint id, int timeout_ms) {
    if (id == 0) return false;
    QEventLoop loop;
    QTimer tick;
    const QDeadlineTimer deadline(timeout_ms);
    // The signals arrive through the event loop; look after each batch.
    connect(&tick, &QTimer::timeout, &loop, [&] {
        if (clicked_ == id || closed_ == id || deadline.hasExpired()) loop.quit();
    });
    tick.start(100);
    loop.exec();
    return clicked_ == id;
}

void TDesktopNotifications::ActionInvoked(uint id, const QString& action) {
    if (action == QStringLiteral("default")) clicked_ = id;
}

void TDesktopNotifications::NotificationClosed(uint id, uint) { closed_ = id; }

}  // namespace veltod
