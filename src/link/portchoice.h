#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <utility>

class QSettings;

// Which serial port the tool talks to, and the ports the system offers.
namespace PortChoice {

struct Port
{
    QString name;        // the system location: /dev/ttyUSB0, COM3
    QString description; // what the system says it is: product, maker, serial number
    bool usb = false;
};

struct Sources
{
    QString commandLine; // --port
    QString environment; // DURVEX_PORT
    QString remembered;  // the last choice made in the port box
    QList<Port> ports;   // what the system offers now
};

// In this order: the command line, the environment, the remembered choice, the one USB
// adapter when there is exactly one, the platform's first serial port.
QString resolve(const Sources &sources);

// The platform's first serial port: /dev/ttyS0, COM1.
QString firstPort();

// The ports the system offers, USB adapters first, each group by name.
QList<Port> available();

// The USB serial adapters plugged in, found quickly enough for the start.
QList<Port> usbAdapters();

// The choice made in the port box, kept in the user's settings across runs. remember() is
// false when the settings file could not be written.
QString remembered(QSettings &settings);
bool remember(QSettings &settings, const QString &name);

// The name a chosen port is remembered by, or nothing when it is not to be remembered. A
// pseudo-terminal's own device (/dev/pts/N) is not: its number goes to other programs once
// its panel has gone, while a link to one (a virtual panel's --link) goes with the panel and
// may be. A USB adapter is remembered by its path under `byId` where it has one, so it is
// found again when it comes back as another ttyUSBn.
QString nameToRemember(const QString &chosen, const QString &byId = QStringLiteral("/dev/serial/by-id"));

// The user's own settings store.
std::unique_ptr<QSettings> userSettings();

// What a run starts with: --port, DURVEX_PORT, the settings and the system's ports.
QString forThisRun(const QString &commandLine, const QString &environment, QSettings *settings);

// What tells two names of one port from names of two: the path the system opens for the
// name, made absolute and lexically clean ("pts/0", "/dev/pts/0" and "/dev/./pts//0" are one
// path), and where that path is there, the device it leads to through any links.
struct Identity
{
    QString path;
    QString device; // empty where nothing is there
};
Identity identity(const QString &portName);

// The first port, in the order given, that is one given before it, with that earlier one:
// their positions; nothing when each port is given once.
std::optional<std::pair<qsizetype, qsizetype>> givenTwice(const QStringList &ports);

} // namespace PortChoice
