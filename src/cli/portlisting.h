#pragma once

#include <QJsonObject>
#include <QList>
#include <QString>
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
        QString description;
        QString maker;
        QString serialNumber;
        std::optional<quint16> vendorId, productId;
        bool isDefault = false;
        bool listed = true;    // false for a default the system does not list
    };

    // `environment` is DURVEX_PORT; `settings` holds the port last chosen in the window.
    static PortListing gather(const QString &environment, QSettings *settings);

    QList<Entry> entries;
    QString why; // why the default is the default, in words

    // One line per port, then the default; says so when the system offers none.
    QString text() const;
    static QJsonObject toJson(const Entry &entry);
};
