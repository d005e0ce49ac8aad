#include "portlisting.h"

#include "link/portchoice.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSerialPortInfo>

#include <algorithm>

namespace {

// udev's stable names of the USB serial adapters, by the device each leads to. Qt's port
// list has no such field.
QHash<QString, QString> byIdLinks()
{
    QHash<QString, QString> links;
#ifdef Q_OS_LINUX
    const QDir folder(QStringLiteral("/dev/serial/by-id"));
    for (const QFileInfo &link : folder.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot, QDir::Name))
        if (const QString device = link.canonicalFilePath(); !device.isEmpty() && !links.contains(device))
            links.insert(device, link.absoluteFilePath());
#endif
    return links;
}

QString hex(std::optional<quint16> id)
{
    return QStringLiteral("%1").arg(*id, 4, 16, QLatin1Char('0'));
}

QJsonValue textOrNull(const QString &text)
{
    return text.isEmpty() ? QJsonValue() : QJsonValue(text);
}

} // namespace

PortListing PortListing::gather(const QString &environment, QSettings *settings)
{
    PortListing listing;
    const QHash<QString, QString> links = byIdLinks();
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
        Entry entry;
        entry.name = info.systemLocation();
        entry.byId = links.value(QFileInfo(entry.name).canonicalFilePath());
        entry.description = info.description();
        entry.maker = info.manufacturer();
        entry.serialNumber = info.serialNumber();
        if (info.hasVendorIdentifier())
            entry.vendorId = info.vendorIdentifier();
        if (info.hasProductIdentifier())
            entry.productId = info.productIdentifier();
        listing.entries.append(entry);
    }
    std::sort(listing.entries.begin(), listing.entries.end(),
              [](const Entry &a, const Entry &b) { return a.name < b.name; });

    // The port a command uses without --port, and why: PortChoice decides, in its order.
    const QString remembered = settings ? PortChoice::remembered(*settings) : QString();
    const QString chosen = PortChoice::forThisRun(QString(), environment, settings);
    if (!environment.isEmpty())
        listing.why = QStringLiteral("from DURVEX_PORT");
    else if (!remembered.isEmpty())
        listing.why = QStringLiteral("the port last chosen in the window");
    else if (chosen != PortChoice::firstPort())
        listing.why = QStringLiteral("the one USB serial adapter");
    else
        listing.why = QStringLiteral("the first serial port");

    const auto same = [&](const Entry &entry) {
        return entry.name == chosen || entry.byId == chosen
            || QFileInfo(entry.name).canonicalFilePath() == QFileInfo(chosen).canonicalFilePath();
    };
    const auto found = std::find_if(listing.entries.begin(), listing.entries.end(), same);
    if (found != listing.entries.end()) {
        found->isDefault = true;
    } else {
        Entry entry;
        entry.name = chosen;
        entry.isDefault = true;
        entry.listed = false;
        listing.entries.append(entry);
    }
    return listing;
}

QString PortListing::text() const
{
    QString text;
    const Entry *chosen = nullptr;
    for (const Entry &entry : entries) {
        if (entry.isDefault)
            chosen = &entry;
        if (!entry.listed)
            continue;
        QStringList about;
        if (!entry.description.isEmpty())
            about << entry.description;
        if (!entry.maker.isEmpty())
            about << QStringLiteral("maker %1").arg(entry.maker);
        if (!entry.serialNumber.isEmpty())
            about << QStringLiteral("serial number %1").arg(entry.serialNumber);
        if (entry.vendorId && entry.productId)
            about << QStringLiteral("USB %1:%2").arg(hex(entry.vendorId), hex(entry.productId));
        QStringList fields{entry.name};
        if (!entry.byId.isEmpty())
            fields << entry.byId;
        if (!about.isEmpty())
            fields << about.join(QStringLiteral("; "));
        text += fields.join(QStringLiteral("  ")) + QLatin1Char('\n');
    }
    if (text.isEmpty())
        text = QStringLiteral("no serial ports found\n");
    if (chosen)
        text += QStringLiteral("default port: %1 (%2%3)\n")
                    .arg(chosen->name, why, chosen->listed ? QString() : QStringLiteral("; not among the ports listed"));
    return text;
}

QJsonObject PortListing::toJson(const Entry &entry)
{
    return {
        {QStringLiteral("name"), entry.name},
        {QStringLiteral("by_id"), textOrNull(entry.byId)},
        {QStringLiteral("description"), textOrNull(entry.description)},
        {QStringLiteral("maker"), textOrNull(entry.maker)},
        {QStringLiteral("serial_number"), textOrNull(entry.serialNumber)},
        {QStringLiteral("vid"), entry.vendorId ? QJsonValue(hex(entry.vendorId)) : QJsonValue()},
        {QStringLiteral("pid"), entry.productId ? QJsonValue(hex(entry.productId)) : QJsonValue()},
        {QStringLiteral("default"), entry.isDefault},
    };
}
