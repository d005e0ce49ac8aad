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
    case Kind::Busy:
        break;
    }
    return ExitCode::PanelFailed;
}

QList<PanelAttempt::Difference> PanelAttempt::differencesOf(const PanelConfiguration::MemoryImage &panel,
                                                            const PanelConfiguration::MemoryImage &sent,
                                                            const PanelConfiguration::MemoryImage &file)
{
    QList<Difference> list;
    for (int address = 0; address < PanelConfiguration::byteCount; ++address)
        if (panel[address] != sent[address])
            list.append({address, panel[address], file[address], sent[address]});
    return list;
}

QString PanelAttempt::describe(const Difference &d)
{
    QString text = QStringLiteral("%1: panel %2, file %3")
                       .arg(PanelConfiguration::name(d.address), describeByte(d.address, d.panel),
                            describeByte(d.address, d.file));
    if (d.sent != d.file)
        text += QStringLiteral(", a write sends %1").arg(describeByte(d.address, d.sent));
    return text;
}

PanelConfiguration::MemoryImage PanelAttempt::found(PanelConfiguration::MemoryImage sent, const QList<Adjustment> &adjusted)
{
    for (const Adjustment &a : adjusted)
        sent[a.address] = a.found;
    return sent;
}

QString PanelAttempt::describe(const Adjustment &a, bool fromPanel)
{
    return QStringLiteral("ADJUSTED %1: %2 %3, %4 %5")
        .arg(PanelConfiguration::name(a.address), fromPanel ? QStringLiteral("panel") : QStringLiteral("file"),
             describeByte(a.address, a.found), fromPanel ? QStringLiteral("saved as") : QStringLiteral("a write sends"),
             describeByte(a.address, a.used));
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
                                    {QStringLiteral("write"), describeByte(d.address, d.sent)},
                                    {QStringLiteral("panel_code"), d.panel},
                                    {QStringLiteral("file_code"), d.file},
                                    {QStringLiteral("write_code"), d.sent}});
        found = list;
    }
    QJsonValue changed;
    if (adjusted) {
        QJsonArray list;
        for (const Adjustment &a : *adjusted)
            list.append(QJsonObject{{QStringLiteral("address"), a.address},
                                    {QStringLiteral("item"), PanelConfiguration::name(a.address)},
                                    {QStringLiteral("found"), describeByte(a.address, a.found)},
                                    {QStringLiteral("used"), describeByte(a.address, a.used)},
                                    {QStringLiteral("found_code"), a.found},
                                    {QStringLiteral("used_code"), a.used}});
        changed = list;
    }
    return {
        {QStringLiteral("command"), command},
        {QStringLiteral("position"), textOrNull(position)},
        {QStringLiteral("port"), textOrNull(port)},
        {QStringLiteral("file"), textOrNull(file)},
        {QStringLiteral("panel_id"), textOrNull(panelId)},
        {QStringLiteral("outcome"), ExitCode::outcomeWord(exitCode)},
        {QStringLiteral("exit"), exitCode},
        {QStringLiteral("detail"), detail},
        {QStringLiteral("model"), model ? QJsonValue(*model) : QJsonValue()},
        {QStringLiteral("differences"), found},
        {QStringLiteral("adjusted"), changed},
        {QStringLiteral("configuration"), configuration ? QJsonValue(toJson(*configuration)) : QJsonValue()},
        {QStringLiteral("duration_ms"), durationMs},
    };
}
