#include "panelattempt.h"

#include "platform/exitcode.h"
#include "model/selectortables.h"

#include <QJsonArray>

namespace {

QJsonValue textOrNull(const QString &text)
{
    return text.isEmpty() ? QJsonValue() : QJsonValue(text);
}

} // namespace

int PanelAttempt::exitCodeOf(const TransferOutcome &outcome)
{
    using Kind = TransferOutcome::Kind;
    switch (outcome.kind) {
    case Kind::Done:
        return ExitCode::Done;
    case Kind::WrongModel:
        return ExitCode::WrongModel;
    case Kind::Incomplete:
        return ExitCode::FileFailed;
    case Kind::Aborted:
        return ExitCode::Interrupted;
    case Kind::PortFailed:
    case Kind::NoResponse:
    case Kind::ModelUnreadable:
    case Kind::ByteFailed:
    case Kind::LineLost:
        break;
    }
    return ExitCode::PanelFailed;
}

QList<PanelAttempt::Difference> PanelAttempt::differencesOf(const PanelConfiguration::MemoryImage &panel,
                                                            const PanelConfiguration::MemoryImage &file)
{
    QList<Difference> list;
    for (int address = 0; address < PanelConfiguration::byteCount; ++address)
        if (panel[address] != file[address])
            list.append({address, panel[address], file[address]});
    return list;
}

QString PanelAttempt::describe(const Difference &d)
{
    return QStringLiteral("%1: panel %2, file %3")
        .arg(PanelConfiguration::name(d.address), describeByte(d.address, d.panel), describeByte(d.address, d.file));
}

QJsonObject PanelAttempt::toJson(const PanelConfiguration &configuration)
{
    QJsonArray items;
    for (int address = 0; address < PanelConfiguration::byteCount; ++address) {
        const qint16 code = configuration.byte(address);
        QJsonObject item{{QStringLiteral("address"), address},
                         {QStringLiteral("item"), PanelConfiguration::name(address)},
                         {QStringLiteral("code"), code},
                         {QStringLiteral("value"), describeByte(address, code)}};
        if (address < PanelConfiguration::designationCount)
            item.insert(QStringLiteral("designation"), configuration.designations[address]);
        items.append(item);
    }
    return {{QStringLiteral("panel_name"), configuration.panelName}, {QStringLiteral("items"), items}};
}

QJsonObject PanelAttempt::toJson() const
{
    QJsonValue found;
    if (differences) {
        QJsonArray list;
        for (const Difference &d : *differences)
            list.append(QJsonObject{{QStringLiteral("address"), d.address},
                                    {QStringLiteral("item"), PanelConfiguration::name(d.address)},
                                    {QStringLiteral("panel"), describeByte(d.address, d.panel)},
                                    {QStringLiteral("file"), describeByte(d.address, d.file)},
                                    {QStringLiteral("panel_code"), d.panel},
                                    {QStringLiteral("file_code"), d.file}});
        found = list;
    }
    return {
        {QStringLiteral("command"), command},
        {QStringLiteral("port"), textOrNull(port)},
        {QStringLiteral("file"), textOrNull(file)},
        {QStringLiteral("panel_id"), textOrNull(panelId)},
        {QStringLiteral("outcome"), ExitCode::outcomeWord(exitCode)},
        {QStringLiteral("exit"), exitCode},
        {QStringLiteral("detail"), detail},
        {QStringLiteral("model"), model ? QJsonValue(*model) : QJsonValue()},
        {QStringLiteral("differences"), found},
        {QStringLiteral("configuration"), configuration ? QJsonValue(toJson(*configuration)) : QJsonValue()},
        {QStringLiteral("duration_ms"), durationMs},
    };
}
