#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusReply>
#include <QProcess>

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

// Starts the tool on the X display with its accessibility on, as a screen reader's user
// runs it, with a home of its own.
inline void startAccessible(QProcess &tool, const QString &program, const QString &home, const QStringList &arguments)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_LINUX_ACCESSIBILITY_ALWAYS_ON"), QStringLiteral("1"));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    environment.insert(QStringLiteral("HOME"), home);
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
    tool.setProcessEnvironment(environment);
    tool.setProcessChannelMode(QProcess::ForwardedChannels);
    tool.start(program, arguments);
}
