#include "reportcommand.h"

#include "cli/commandstage.h"

#include "cli/argumenttext.h"
#include "config/panelconfiguration.h"
#include "platform/exitcode.h"
#include "platform/regularfile.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>

#include <cmath>
#include <cstdio>

using Figures = ShiftReport::Figures;

namespace {

// How a figure is shown: in the table for people, in CSV and JSON for programs.
enum class Shown { Count, Yield, Rate, Ms };

struct Column
{
    const char *key;     // CSV and JSON
    const char *heading; // the table's
    Shown shown;
    std::optional<double> (*value)(const Figures &f);
};

template<typename T>
std::optional<double> maybe(const std::optional<T> &v)
{
    return v ? std::optional<double>(double(*v)) : std::nullopt;
}

const Column columns[] = {
    {"units", "UNITS", Shown::Count, [](const Figures &f) { return std::optional<double>(f.units); }},
    {"attempts", "ATTEMPTS", Shown::Count, [](const Figures &f) { return std::optional<double>(f.attempts); }},
    {"programmed", "PROGRAMMED", Shown::Count, [](const Figures &f) { return std::optional<double>(f.programmed); }},
    {"unchanged", "UNCHANGED", Shown::Count, [](const Figures &f) { return std::optional<double>(f.unchanged); }},
    {"failed", "FAILED", Shown::Count, [](const Figures &f) { return std::optional<double>(f.failed); }},
    {"expired_ids", "EXPIRED", Shown::Count, [](const Figures &f) { return std::optional<double>(f.expiredIds); }},
    {"first_pass_yield", "FPY", Shown::Yield, [](const Figures &f) { return f.firstPassYield(); }},
    {"final_yield", "FINAL", Shown::Yield, [](const Figures &f) { return f.finalYield(); }},
    {"panels_per_hour", "PANELS/HOUR", Shown::Rate, [](const Figures &f) { return maybe(f.panelsPerHour()); }},
    {"cycle_median_ms", "CYCLE MEDIAN", Shown::Ms, [](const Figures &f) { return maybe(f.cycleMedianMs); }},
    {"cycle_p95_ms", "CYCLE P95", Shown::Ms, [](const Figures &f) { return maybe(f.cycleP95Ms); }},
};

// What the report says on standard error, one row per kind of message.
enum class Note { Skipped, Newer, Unreadable, NothingCounted, NoHistory };

const std::pair<Note, const char *> notes[] = {
    {Note::Skipped, "durvex-config: warning: %1: skipped %2 that held no record of this tool (torn, or another "
                    "program's); the first is line %3"},
    {Note::Newer, "durvex-config: warning: %1: skipped %2 of a newer schema (up to %3): this tool reads schema %4 "
                  "and older, a newer version of it reads them; the first is line %5"},
    {Note::Unreadable, "durvex-config: %1: %2"},
    {Note::NothingCounted, "durvex-config: no attempt, seating or id in the logs matches what was asked for"},
    {Note::NoHistory, "durvex-config: no record of the id %1 in the logs"},
};

// The note with its values; each value is taken as it is, never read for placeholders.
template<typename... Args>
QString note(Note which, const Args &...values)
{
    const auto row = std::find_if(std::begin(notes), std::end(notes), [which](const auto &n) { return n.first == which; });
    if constexpr (sizeof...(values) == 0)
        return QString::fromLatin1(row->second);
    else
        return QString::fromLatin1(row->second).arg(values...);
}

QString counted(qint64 n, const char *one, const char *many)
{
    return QStringLiteral("%1 %2").arg(n).arg(QLatin1StringView(n == 1 ? one : many));
}

QString percent(double fraction)
{
    const double tenths = std::round(fraction * 1000);
    return QStringLiteral("%1 %").arg(tenths / 10, 0, 'f', std::fmod(tenths, 10) == 0 ? 0 : 1);
}

// A yield to four places, as the summary gives it.
double fourPlaces(double fraction)
{
    return std::round(fraction * 10000) / 10000;
}

QString forPeople(const Column &column, const Figures &f)
{
    const std::optional<double> v = column.value(f);
    if (!v)
        return QStringLiteral("-");
    switch (column.shown) {
    case Shown::Yield:
        return percent(*v);
    case Shown::Ms:
        return QStringLiteral("%1 s").arg(*v / 1000, 0, 'f', 1);
    case Shown::Count:
    case Shown::Rate:
        break;
    }
    return QString::number(qint64(*v));
}

QString forPrograms(const Column &column, const Figures &f)
{
    const std::optional<double> v = column.value(f);
    if (!v)
        return {};
    return column.shown == Shown::Yield ? QString::number(fourPlaces(*v)) : QString::number(qint64(*v));
}

QJsonValue jsonOf(const Column &column, const Figures &f)
{
    const std::optional<double> v = column.value(f);
    if (!v)
        return QJsonValue();
    return column.shown == Shown::Yield ? QJsonValue(fourPlaces(*v)) : QJsonValue(qint64(*v));
}

// A field as RFC 4180 has it: quoted where it holds a comma, a quote or a line end.
QString csvField(const QString &field)
{
    static const QRegularExpression special(QStringLiteral("[,\"\\r\\n]"));
    if (!field.contains(special))
        return field;
    return QLatin1Char('"') + QString(field).replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
}

QString utc(qint64 ms)
{
    return ms < 0 ? QStringLiteral("-") : QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC).toString(Qt::ISODate);
}

// "42 S" under a minute, else "12.5 MIN".
QString length(qint64 ms)
{
    return ms < 60000 ? QStringLiteral("%1 S").arg(ms / 1000.0, 0, 'f', 1)
                      : QStringLiteral("%1 MIN").arg(ms / 60000.0, 0, 'f', 1);
}

QString addressName(int address)
{
    if (address == modelAddress)
        return QStringLiteral("MODEL");
    return address >= 0 && address < PanelConfiguration::byteCount ? PanelConfiguration::name(address) : QString();
}

QString failuresLine(const Figures &f)
{
    QStringList reasons, addresses;
    for (const ShiftReport::Tally &t : f.reasons)
        reasons << QStringLiteral("%1 %2").arg(ArgumentText::shown(t.key), QString::number(t.count));
    for (const ShiftReport::AddressTally &a : f.addresses)
        addresses << QStringLiteral("%1 (%2) %3").arg(QString::number(a.address), addressName(a.address), QString::number(a.count));
    QString line = reasons.join(QStringLiteral(", "));
    if (!addresses.isEmpty())
        line += QStringLiteral("; by address ") + addresses.join(QStringLiteral(", "));
    return line;
}

QJsonObject figuresJson(const Figures &f)
{
    QJsonObject o;
    for (const Column &c : columns)
        o.insert(QLatin1StringView(c.key), jsonOf(c, f));
    QJsonArray reasons, addresses;
    for (const ShiftReport::Tally &t : f.reasons)
        reasons.append(QJsonObject{{QStringLiteral("reason"), t.key}, {QStringLiteral("count"), t.count}});
    for (const ShiftReport::AddressTally &a : f.addresses)
        addresses.append(QJsonObject{{QStringLiteral("address"), a.address},
                                     {QStringLiteral("item"), addressName(a.address)},
                                     {QStringLiteral("count"), a.count}});
    o.insert(QStringLiteral("failures_by_reason"), reasons);
    o.insert(QStringLiteral("failures_by_address"), addresses);
    o.insert(QStringLiteral("duration_ms"), f.durationMs);
    return o;
}

QJsonValue textOrNull(const QString &text)
{
    return text.isEmpty() ? QJsonValue() : QJsonValue(text);
}

} // namespace

ReportCommand::ReportCommand(const CommandLine &commandLine, Print print, Say say)
    : ToolCommand(CommandLine::Command::Report)
    , m_commandLine(commandLine)
    , m_print(std::move(print))
    , m_say(std::move(say))
{
}

std::optional<qint64> ReportCommand::instant(const QString &text)
{
    QString iso = text.trimmed();
    if (iso.size() > 10 && iso[10] == QLatin1Char(' '))
        iso[10] = QLatin1Char('T');
    QDateTime t = QDateTime::fromString(iso, Qt::ISODateWithMs);
    if (!t.isValid())
        return std::nullopt;
    if (t.timeSpec() == Qt::LocalTime)
        t.setTimeSpec(Qt::UTC); // no zone given: the log's own, UTC
    return t.toMSecsSinceEpoch();
}

QStringList ReportCommand::figureKeys()
{
    QStringList keys;
    for (const Column &c : columns)
        keys << QLatin1StringView(c.key);
    return keys;
}

QByteArray ReportCommand::csvHeader()
{
    return (QStringList{"run_id", "station", "work_order", "position"} + figureKeys()).join(QLatin1Char(',')).toUtf8();
}

ReportCommand::ReportCommand(CommandStage &stage)
    : ReportCommand(
          stage.commandLine(), [&stage](const QByteArray &line) { stage.board().print(line); },
          [&stage](const QString &line, bool failure) { stage.say(line, failure); })
{
}

RunResult ReportCommand::run()
{
    return {.attempts = {report()}};
}

int ReportCommand::report()
{
    ShiftReport report;
    if (!read(report))
        return ExitCode::FileFailed;
    if (!m_commandLine.unitId.isEmpty()) {
        printHistory(report.history(m_commandLine.unitId));
        return ExitCode::Done;
    }
    ShiftReport::Filter filter{m_commandLine.run, m_commandLine.sinceMs, m_commandLine.untilMs, m_commandLine.station,
                               m_commandLine.workOrder};
    const ShiftReport::Result result = report.figures(filter);
    if (result.runs.isEmpty())
        m_say(note(Note::NothingCounted), false);
    if (m_commandLine.json)
        printJson(result);
    else if (m_commandLine.csv)
        printCsv(result);
    else
        printTable(result);
    return ExitCode::Done;
}

bool ReportCommand::read(ShiftReport &report)
{
    LogRecordReader reader;
    reader.keepObjectsOf(m_commandLine.unitId);
    for (const QString &path : std::as_const(m_commandLine.logs)) {
        const bool standardInput = path == QLatin1String("-");
        const QString name = standardInput ? QStringLiteral("standard input") : path;
        QFile file;
        if (standardInput ? !file.open(stdin, QIODevice::ReadOnly) : QFileInfo(path).isDir() || !(file.setFileName(path), file.open(QIODevice::ReadOnly))) {
            const QString reason = standardInput ? file.errorString()
                                                 : RegularFile::readProblem(path).value_or(file.errorString());
            m_say(note(Note::Unreadable, ArgumentText::shown(name), reason), true);
            return false;
        }
        const LogRecordReader::Counts counts = reader.read(file, [&report](LogRecord &&record) { report.add(std::move(record)); });
        if (counts.skipped)
            m_say(note(Note::Skipped, ArgumentText::shown(name), counted(counts.skipped, "line", "lines"),
                       QString::number(counts.firstSkippedLine)),
                  false);
        if (counts.newer)
            m_say(note(Note::Newer, ArgumentText::shown(name), counted(counts.newer, "record", "records"),
                       QString::number(counts.newestSchema), QString::number(LogRecordReader::knownSchema),
                       QString::number(counts.firstNewerLine)),
                  false);
    }
    return true;
}

void ReportCommand::printTable(const ShiftReport::Result &result)
{
    // Each block: a heading, then the rows of figures in columns as wide as their widest.
    const auto block = [this](const QString &heading, const QList<std::pair<QString, const Figures *>> &rows) {
        m_print(heading.toUtf8());
        QList<QStringList> cells{{QStringLiteral("POSITION")}};
        for (const Column &c : columns)
            cells[0] << QLatin1StringView(c.heading);
        for (const auto &[label, f] : rows) {
            QStringList row{label};
            for (const Column &c : columns)
                row << forPeople(c, *f);
            cells << row;
        }
        QList<qsizetype> widths(cells[0].size(), 0);
        for (const QStringList &row : std::as_const(cells))
            for (qsizetype i = 0; i < row.size(); ++i)
                widths[i] = std::max(widths[i], row[i].size());
        for (const QStringList &row : std::as_const(cells)) {
            QString line = row[0].leftJustified(widths[0]);
            for (qsizetype i = 1; i < row.size(); ++i)
                line += QStringLiteral("  ") + row[i].rightJustified(widths[i]);
            m_print(line.toUtf8());
        }
        bool heading2 = false;
        for (const auto &[label, f] : rows)
            if (!f->reasons.isEmpty()) {
                if (!std::exchange(heading2, true))
                    m_print("FAILURES BY REASON AND BY ADDRESS (the five most frequent):");
                m_print(QStringLiteral("  %1: %2").arg(label, failuresLine(*f)).toUtf8());
            }
        m_print({});
    };
    for (const ShiftReport::Run &run : result.runs) {
        QString heading = QStringLiteral("RUN %1").arg(ArgumentText::shown(run.runId));
        if (!run.station.isEmpty())
            heading += QStringLiteral("  STATION ") + ArgumentText::shown(run.station);
        if (!run.workOrder.isEmpty())
            heading += QStringLiteral("  WORK ORDER ") + ArgumentText::shown(run.workOrder);
        heading += QStringLiteral("\n%1 TO %2, %3").arg(utc(run.startedMs), utc(run.endedMs), length(run.total.durationMs));
        QList<std::pair<QString, const Figures *>> rows;
        for (const ShiftReport::Position &p : run.positions)
            rows.append({ArgumentText::shown(p.position), &p.figures});
        rows.append({QStringLiteral("TOTAL"), &run.total});
        block(heading, rows);
    }
    if (result.runs.size() > 1)
        block(QStringLiteral("ALL %1 RUNS, %2").arg(QString::number(result.runs.size()), length(result.total.durationMs)),
              {{QStringLiteral("TOTAL"), &result.total}});
}

void ReportCommand::printCsv(const ShiftReport::Result &result)
{
    m_print(csvHeader());
    for (const ShiftReport::Run &run : result.runs) {
        const auto row = [&](const QString &position, const Figures &f) {
            QStringList fields{run.runId, run.station, run.workOrder, position};
            for (const Column &c : columns)
                fields << forPrograms(c, f);
            for (QString &field : fields)
                field = csvField(field);
            m_print(fields.join(QLatin1Char(',')).toUtf8());
        };
        for (const ShiftReport::Position &p : run.positions)
            row(p.position, p.figures);
        row(QStringLiteral("TOTAL"), run.total);
    }
}

void ReportCommand::printJson(const ShiftReport::Result &result)
{
    QJsonArray runs;
    for (const ShiftReport::Run &run : result.runs) {
        QJsonArray positions;
        for (const ShiftReport::Position &p : run.positions) {
            QJsonObject o = figuresJson(p.figures);
            o.insert(QStringLiteral("position"), p.position);
            positions.append(o);
        }
        runs.append(QJsonObject{{QStringLiteral("run_id"), run.runId},
                                {QStringLiteral("station"), textOrNull(run.station)},
                                {QStringLiteral("work_order"), textOrNull(run.workOrder)},
                                {QStringLiteral("started"), run.startedMs < 0 ? QJsonValue() : QJsonValue(utc(run.startedMs))},
                                {QStringLiteral("ended"), run.endedMs < 0 ? QJsonValue() : QJsonValue(utc(run.endedMs))},
                                {QStringLiteral("positions"), positions},
                                {QStringLiteral("total"), figuresJson(run.total)}});
    }
    m_print(QJsonDocument(QJsonObject{{QStringLiteral("runs"), runs}, {QStringLiteral("total"), figuresJson(result.total)}})
                .toJson(QJsonDocument::Compact));
}

void ReportCommand::printHistory(const QList<LogRecord> &records)
{
    if (records.isEmpty())
        m_say(note(Note::NoHistory, ArgumentText::shown(m_commandLine.unitId)), false);
    if (m_commandLine.json) {
        QJsonArray list;
        for (const LogRecord &r : records)
            list.append(r.object);
        m_print(QJsonDocument(QJsonObject{{QStringLiteral("panel_id"), m_commandLine.unitId}, {QStringLiteral("records"), list}})
                    .toJson(QJsonDocument::Compact));
        return;
    }
    for (const LogRecord &r : records) {
        QString what;
        qint64 when = r.timeMs;
        switch (r.kind) {
        case LogRecord::Kind::Attempt:
            when = r.startedMs >= 0 ? r.startedMs : r.timeMs;
            what = QStringLiteral("ATTEMPT %1  %2").arg(QString::number(r.seq), ArgumentText::shown(r.outcome));
            if (!r.reason.isEmpty())
                what += QLatin1Char(' ') + ArgumentText::shown(r.reason);
            if (r.address)
                what += QStringLiteral(" at address %1 (%2)").arg(QString::number(*r.address), addressName(*r.address));
            what += QStringLiteral(", %1 s").arg(r.durationMs / 1000.0, 0, 'f', 1);
            break;
        case LogRecord::Kind::Seating:
            when = r.arrivedMs >= 0 ? r.arrivedMs : r.timeMs;
            what = r.leftMs >= 0 ? QStringLiteral("SEATING  taken out %1").arg(utc(r.leftMs))
                                 : QStringLiteral("SEATING  still seated at the run's end");
            break;
        case LogRecord::Kind::Id:
            what = QStringLiteral("ID  %1").arg(ArgumentText::shown(r.bound));
            break;
        case LogRecord::Kind::Run:
            what = QStringLiteral("RUN");
            break;
        case LogRecord::Kind::Summary:
            what = QStringLiteral("SUMMARY");
            break;
        }
        m_print(QStringLiteral("%1  RUN %2  %3  %4")
                    .arg(utc(when), ArgumentText::shown(r.runId), ArgumentText::shown(r.position), what)
                    .toUtf8());
    }
}
