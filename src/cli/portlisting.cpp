#include "portlisting.h"

#include "link/portchoice.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSerialPortInfo>

#include <algorithm>

namespace {

// udev's stable names of the USB serial adapters in a folder of /dev/serial (by-id: by
// maker, model and serial number; by-path: by the socket), by the device each leads to.
// Qt's port list has no such field.
QHash<QString, QString> serialLinks(const QString &kind)
{
    QHash<QString, QString> links;
#ifdef Q_OS_LINUX
    const QDir folder(QStringLiteral("/dev/serial/") + kind);
    for (const QFileInfo &link : folder.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot, QDir::Name))
        if (const QString device = link.canonicalFilePath(); !device.isEmpty() && !links.contains(device))
            links.insert(device, link.absoluteFilePath());
#else
    Q_UNUSED(kind)
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
    const QHash<QString, QString> byId = serialLinks(QStringLiteral("by-id"));
    const QHash<QString, QString> byPath = serialLinks(QStringLiteral("by-path"));
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
        Entry entry;
        entry.name = info.systemLocation();
        const QString device = QFileInfo(entry.name).canonicalFilePath();
        entry.byId = byId.value(device);
        entry.byPath = byPath.value(device);
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
        if (!entry.byPath.isEmpty())
            fields << entry.byPath;
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

QList<PortListing::Alike> PortListing::alike(const QList<Entry> &entries)
{
    QList<Alike> groups;
    QList<const Entry *> firsts; // each group's first adapter
    for (const Entry &entry : entries) {
        if (!entry.listed || !entry.vendorId || !entry.productId)
            continue; // no USB adapter: no by-id link to share
        const auto same = std::find_if(firsts.begin(), firsts.end(), [&](const Entry *first) {
            return first->vendorId == entry.vendorId && first->productId == entry.productId
                && first->serialNumber == entry.serialNumber;
        });
        if (same == firsts.end()) {
            firsts << &entry;
            groups.append({{entry.name}, entry.serialNumber});
        } else {
            groups[same - firsts.begin()].names << entry.name;
        }
    }
    groups.removeIf([](const Alike &group) { return group.names.size() < 2; });
    return groups;
}

QStringList PortListing::warnings() const
{
    QStringList lines;
    for (const Alike &group : alike(entries)) {
        QStringList paths;
        for (const Entry &entry : entries)
            if (group.names.contains(entry.name))
                paths << (entry.byPath.isEmpty() ? entry.name + QStringLiteral(" (no by-path link)") : entry.byPath);
        const QString shared = group.serialNumber.isEmpty()
            ? QStringLiteral("have no serial number")
            : QStringLiteral("share the serial number %1").arg(group.serialNumber);
        lines << QStringLiteral("warning: %1 %2, so one /dev/serial/by-id link stands for all of them: name those "
                                "positions by path: %3")
                     .arg(group.names.join(QStringLiteral(", ")), shared, paths.join(QStringLiteral(", ")));
    }
    return lines;
}

QJsonObject PortListing::toJson(const Entry &entry)
{
    return {
        {QStringLiteral("name"), entry.name},
        {QStringLiteral("by_id"), textOrNull(entry.byId)},
        {QStringLiteral("by_path"), textOrNull(entry.byPath)},
        {QStringLiteral("description"), textOrNull(entry.description)},
        {QStringLiteral("maker"), textOrNull(entry.maker)},
        {QStringLiteral("serial_number"), textOrNull(entry.serialNumber)},
        {QStringLiteral("vid"), entry.vendorId ? QJsonValue(hex(entry.vendorId)) : QJsonValue()},
        {QStringLiteral("pid"), entry.productId ? QJsonValue(hex(entry.productId)) : QJsonValue()},
        {QStringLiteral("default"), entry.isDefault},
    };
}
