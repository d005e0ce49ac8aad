#include "panelattempt.h"

#include "line/runresult.h"
#include "platform/exitcode.h"
#include "model/selectortables.h"
#include "platform/termination.h"
#include "session/configcomparison.h"

#include <QJsonArray>

#include <algorithm>

namespace {

QJsonValue textOrNull(const QString &text)
{
    return text.isEmpty() ? QJsonValue() : QJsonValue(text);
}

// A list as an array of objects, or null where it does not apply.
template<typename T, typename Object>
QJsonValue listOrNull(const std::optional<QList<T>> &list, Object object)
{
    if (!list)
        return {};
    QJsonArray array;
    for (const T &entry : *list)
        array.append(object(entry));
    return array;
}

} // namespace

void PanelAttempt::take(const TransferOutcome &outcome)
{
    const int signal = outcome.kind == TransferOutcome::Kind::Aborted ? Termination::received() : 0;
    exitCode = RunResult::ofAttempt(outcome, signal);
    reason = AttemptReason::of(outcome, signal);
    address = AttemptReason::address(outcome);
    model = outcome.model;
    unchanged = outcome.unchanged;
}

void PanelAttempt::timed(qint64 elapsedMs)
{
    timed(elapsedMs, QDateTime::currentDateTimeUtc());
}

void PanelAttempt::timed(qint64 elapsedMs, const QDateTime &now)
{
    durationMs = elapsedMs;
    started = now.addMSecs(-elapsedMs);
}

QString PanelAttempt::outcomeWord() const
{
    return unchanged && exitCode == ExitCode::Done ? QStringLiteral("unchanged") : ExitCode::outcomeWord(exitCode);
}

bool PanelAttempt::passed() const
{
    return exitCode == ExitCode::Done;
}

QString PanelAttempt::reasonWord() const
{
    return AttemptReason::word(reason != AttemptReason::Reason::None ? reason : AttemptReason::ofExitCode(exitCode));
}

QList<PanelAttempt::Difference> PanelAttempt::differencesOf(const PanelConfiguration::MemoryImage &panel,
                                                            const PanelConfiguration::MemoryImage &sent,
                                                            const PanelConfiguration::MemoryImage &file)
{
    QList<Difference> list;
    for (const ConfigComparison::Row &row : ConfigComparison::of(panel, ConfigComparison::allSent(sent), file).rows)
        list.append({row.address, row.panel, *row.own, *row.sent});
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

QString PanelAttempt::describe(const Warning &w)
{
    return QStringLiteral("%1 (address %2): code %3 is in no list; the window shows %4")
        .arg(PanelConfiguration::name(w.address))
        .arg(w.address)
        .arg(w.code)
        .arg(PanelConfiguration::isItem(w.address) ? QStringLiteral("N/A") : describeByte(w.address, w.code).section(QLatin1Char(' '), 0, 1));
}

QStringList PanelAttempt::table(const PanelConfiguration &configuration)
{
    // The longest caption and two blanks: every value in one column.
    qsizetype width = 0;
    for (int address = 0; address < PanelConfiguration::byteCount; ++address)
        width = std::max(width, PanelConfiguration::name(address).size() + 2);
    const auto row = [width](const QString &name, const QString &rest) {
        return name.leftJustified(width) + rest;
    };
    QStringList lines{row(QStringLiteral("PANEL NAME"), configuration.panelName)};
    lines << row(QStringLiteral("ITEM"), QStringLiteral("MODULE  CHANNEL  DESIGNATION"));
    for (int address = 0; address < PanelConfiguration::itemCount; ++address) {
        const qint16 code = configuration.byte(address);
        const bool assigned = code >= 0 && code < notAssigned;
        const QString module = assigned ? QLatin1String(moduleList[code / 10 + 1].text) : QStringLiteral("N/A");
        const QString channel = assigned ? QLatin1String(channelList[code % 10].text) : QString();
        const QString designation =
            address < PanelConfiguration::designationCount ? configuration.designations[address] : QString();
        lines << row(PanelConfiguration::name(address),
                     QStringLiteral("%1  %2  %3").arg(module.leftJustified(6), channel.leftJustified(7), designation).trimmed());
    }
    for (int address = PanelConfiguration::itemCount; address < PanelConfiguration::byteCount; ++address)
        lines << row(PanelConfiguration::name(address), describeByte(address, configuration.byte(address)));
    return lines;
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
    const QJsonValue found = listOrNull(differences, [](const Difference &d) {
        return QJsonObject{{QStringLiteral("address"), d.address},
                           {QStringLiteral("item"), PanelConfiguration::name(d.address)},
                           {QStringLiteral("panel"), describeByte(d.address, d.panel)},
                           {QStringLiteral("file"), describeByte(d.address, d.file)},
                           {QStringLiteral("write"), describeByte(d.address, d.sent)},
                           {QStringLiteral("panel_code"), d.panel},
                           {QStringLiteral("file_code"), d.file},
                           {QStringLiteral("write_code"), d.sent}};
    });
    const auto adjustment = [](const Adjustment &a) {
        return QJsonObject{{QStringLiteral("address"), a.address},
                           {QStringLiteral("item"), PanelConfiguration::name(a.address)},
                           {QStringLiteral("found"), describeByte(a.address, a.found)},
                           {QStringLiteral("used"), describeByte(a.address, a.used)},
                           {QStringLiteral("found_code"), a.found},
                           {QStringLiteral("used_code"), a.used}};
    };
    const QJsonValue changed = listOrNull(adjusted, adjustment);
    const QJsonValue warned = listOrNull(warnings, [](const Warning &w) {
        return QJsonObject{{QStringLiteral("address"), w.address},
                           {QStringLiteral("item"), PanelConfiguration::name(w.address)},
                           {QStringLiteral("code"), w.code},
                           {QStringLiteral("text"), describe(w)}};
    });
    return {
        {QStringLiteral("command"), command},
        {QStringLiteral("position"), textOrNull(position)},
        {QStringLiteral("port"), textOrNull(port)},
        {QStringLiteral("file"), textOrNull(file)},
        {QStringLiteral("panel_id"), textOrNull(panelId)},
        {QStringLiteral("panel"), panel > 0 ? QJsonValue(panel) : QJsonValue()},
        {QStringLiteral("outcome"), outcomeWord()},
        {QStringLiteral("exit"), exitCode},
        {QStringLiteral("reason"), textOrNull(reasonWord())},
        {QStringLiteral("address"), address ? QJsonValue(*address) : QJsonValue()},
        {QStringLiteral("detail"), detail},
        {QStringLiteral("model"), model ? QJsonValue(*model) : QJsonValue()},
        {QStringLiteral("differences"), found},
        {QStringLiteral("adjusted"), changed},
        {QStringLiteral("configuration"), configuration ? QJsonValue(toJson(*configuration)) : QJsonValue()},
        {QStringLiteral("warnings"), warned},
        {QStringLiteral("backup"), textOrNull(backup)},
        {QStringLiteral("backup_adjusted"), listOrNull(backupAdjusted, adjustment)},
        {QStringLiteral("started"),
         started.isValid() ? QJsonValue(started.toUTC().toString(Qt::ISODateWithMs)) : QJsonValue()},
        {QStringLiteral("duration_ms"), durationMs},
    };
}
