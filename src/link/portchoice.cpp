#include "portchoice.h"

#include "portadvice.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSerialPortInfo>
#include <QSettings>

#include <algorithm>

namespace PortChoice {
namespace {

const QString portKey = QStringLiteral("serial/port");

} // namespace

QString resolve(const Sources &sources)
{
    for (const QString &name : {sources.commandLine, sources.environment, sources.remembered})
        if (!name.isEmpty())
            return name;
    QStringList adapters;
    for (const Port &port : sources.ports)
        if (port.usb)
            adapters << port.name;
    return adapters.size() == 1 ? adapters.constFirst() : firstPort();
}

QString firstPort()
{
#ifdef Q_OS_WIN
    return QStringLiteral("COM1");
#else
    return QStringLiteral("/dev/ttyS0");
#endif
}

QList<Port> available()
{
    QList<Port> ports;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
        QStringList about;
        for (const QString &part : {info.description(), info.manufacturer(), info.serialNumber()})
            if (!part.isEmpty() && !about.contains(part))
                about << part;
        ports.append({info.systemLocation(), about.join(QStringLiteral(", ")), info.hasVendorIdentifier()});
    }
    std::stable_sort(ports.begin(), ports.end(), [](const Port &a, const Port &b) {
        return a.usb != b.usb ? a.usb : a.name < b.name;
    });
    return ports;
}

std::unique_ptr<QSettings> userSettings()
{
    // Windows keeps a user's settings in the registry, under HKEY_CURRENT_USER, where its own
    // tools and administrators look; elsewhere a file in the user's configuration folder.
#ifdef Q_OS_WIN
    constexpr QSettings::Format format = QSettings::NativeFormat;
#else
    constexpr QSettings::Format format = QSettings::IniFormat;
#endif
    return std::make_unique<QSettings>(format, QSettings::UserScope, QStringLiteral("durvex-config"),
                                       QStringLiteral("durvex-config"));
}

QString remembered(QSettings &settings)
{
    return settings.value(portKey).toString();
}

bool remember(QSettings &settings, const QString &name)
{
    settings.setValue(portKey, name);
    settings.sync();
    if (settings.status() == QSettings::NoError)
        return true;
    // A store keeps the first error it met: a fresh one tells whether the file can be
    // written now.
    QSettings again(settings.fileName(), settings.format());
    again.setValue(portKey, name);
    again.sync();
    return again.status() == QSettings::NoError;
}

QList<Port> usbAdapters()
{
#ifdef Q_OS_LINUX
    // udev names every USB serial adapter here; reading one folder costs far less than the
    // full scan, which would slow the start by a third.
    QList<Port> ports;
    const QDir byId(QStringLiteral("/dev/serial/by-id"));
    for (const QFileInfo &link : byId.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot)) {
        const QString device = link.canonicalFilePath();
        if (!device.isEmpty() && std::none_of(ports.begin(), ports.end(), [&](const Port &p) { return p.name == device; }))
            ports.append({device, link.fileName(), true});
    }
    return ports;
#else
    QList<Port> ports = available();
    ports.removeIf([](const Port &p) { return !p.usb; });
    return ports;
#endif
}

QString nameToRemember(const QString &chosen, const QString &byId)
{
    const QFileInfo location(PortAdvice::systemLocation(chosen));
    if (location.isSymLink())
        return chosen;
    const QString device = location.canonicalFilePath();
    if (device.startsWith(QLatin1String("/dev/pts/")))
        return QString();
    if (!device.isEmpty())
        for (const QFileInfo &link : QDir(byId).entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot, QDir::Name))
            if (link.canonicalFilePath() == device)
                return link.absoluteFilePath();
    return chosen;
}

QString forThisRun(const QString &commandLine, const QString &environment, QSettings *settings)
{
    Sources sources{commandLine, environment, {}, {}};
    if (sources.commandLine.isEmpty() && sources.environment.isEmpty()) {
        if (settings)
            sources.remembered = remembered(*settings);
        if (sources.remembered.isEmpty())
            sources.ports = usbAdapters(); // only when it decides
    }
    return resolve(sources);
}

Identity identity(const QString &portName)
{
#ifdef Q_OS_UNIX
    const QString location = PortAdvice::systemLocation(portName);
    return {QDir::cleanPath(QDir::current().absoluteFilePath(location)), QFileInfo(location).canonicalFilePath()};
#else
    return {portName.toUpper(), {}}; // COM3 and com3
#endif
}

std::optional<std::pair<qsizetype, qsizetype>> givenTwice(const QStringList &ports)
{
    // Each path and each device with the first port that leads to it: one look-up per port.
    QHash<QString, qsizetype> first;
    first.reserve(2 * ports.size());
    for (qsizetype i = 0; i < ports.size(); ++i) {
        const Identity id = identity(ports[i]);
        for (const QString &key : {id.path, id.device}) {
            if (key.isEmpty())
                continue;
            if (const auto earlier = first.constFind(key); earlier == first.cend())
                first.insert(key, i);
            else if (*earlier != i)
                return std::pair{i, *earlier};
        }
    }
    return std::nullopt;
}

} // namespace PortChoice
