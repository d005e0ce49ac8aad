#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusReply>

// The desktop's accessibility bus, as a screen reader finds it: its address asked of the
// session bus. Not connected (with the reason as its last error) where there is none.
inline QDBusConnection connectAccessibilityBus(QString *error)
{
    const QDBusReply<QString> address = QDBusConnection::sessionBus().call(QDBusMessage::createMethodCall(
        QStringLiteral("org.a11y.Bus"), QStringLiteral("/org/a11y/bus"), QStringLiteral("org.a11y.Bus"),
        QStringLiteral("GetAddress")));
    if (!address.isValid()) {
        *error = address.error().message();
        return QDBusConnection(QString());
    }
    QDBusConnection bus = QDBusConnection::connectToBus(address.value(), QStringLiteral("a11y"));
    if (!bus.isConnected())
        *error = bus.lastError().message();
    return bus;
}
