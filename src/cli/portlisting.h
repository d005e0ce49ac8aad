#pragma once

#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

class QSettings;

// The ports command: the serial ports the system offers, with what it says of each, and
// the port the tool uses when no --port is given, also when the system does not list it
// (a remembered link, the first serial port).
class PortListing
{
public:
    struct Entry
    {
        QString name;          // the system location
        QString byId;          // its /dev/serial/by-id link, where there is one
        QString byPath;        // its /dev/serial/by-path link: the socket it is plugged into
        QString description;
        QString maker;
        QString serialNumber;
        std::optional<quint16> vendorId, productId;
        bool isDefault = false;
        bool listed = true;    // false for a default the system does not list
    };

    // `environment` is DURVEX_PORT; `settings` holds the port last chosen in the window.
    static PortListing gather(const QString &environment, QSettings *settings);

    // Adapters alike to udev (the same USB ids and serial number, or none): they share one
    // by-id link, which leads to only one of them, so a fixture names them by path.
    struct Alike
    {
        QStringList names;
        QString serialNumber; // empty: none
    };

    QList<Entry> entries;
    QString why; // why the default is the default, in words

    static QList<Alike> alike(const QList<Entry> &entries);

    // One line per port, then the default; says so when the system offers none.
    QString text() const;
    // A warning for each group of adapters alike, naming their by-path links.
    QStringList warnings() const;
    static QJsonObject toJson(const Entry &entry);
};
