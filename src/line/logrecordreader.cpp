#include "logrecordreader.h"

#include <QDateTime>
#include <QIODevice>
#include <QJsonArray>
#include <QJsonDocument>

namespace {

// A line longer than this is no record of ours, and is dropped as it is read.
constexpr qsizetype longestLine = 1 << 20;
constexpr qint64 readSize = 1 << 20;

struct KindName
{
    LogRecord::Kind kind;
    QLatin1StringView event;
};

const KindName kinds[] = {
    {LogRecord::Kind::Attempt, QLatin1StringView("attempt")},
    {LogRecord::Kind::Seating, QLatin1StringView("seating")},
    {LogRecord::Kind::Id, QLatin1StringView("id")},
    {LogRecord::Kind::Run, QLatin1StringView("run")},
    {LogRecord::Kind::Summary, QLatin1StringView("summary")},
};

// Days from 1970-01-01 to a date of the proleptic Gregorian calendar.
qint64 daysFromCivil(int y, int m, int d)
{
    y -= m <= 2;
    const int era = (y >= 0 ? y : y - 399) / 400;
    const int yoe = y - era * 400;
    const int doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return qint64(era) * 146097 + doe - 719468;
}

// The log's own form, "2026-12-11T07:42:12.840Z", read without a parser: most of a log's
// times are in it.
std::optional<qint64> logTime(const QString &t)
{
    static constexpr char shape[] = "dddd-dd-ddTdd:dd:dd.dddZ";
    if (t.size() != 24)
        return std::nullopt;
    for (int i = 0; i < 24; ++i) {
        const char16_t c = t[i].unicode();
        if (shape[i] == 'd' ? (c < '0' || c > '9') : c != char16_t(shape[i]))
            return std::nullopt;
    }
    const auto number = [&t](int from, int digits) {
        int n = 0;
        for (int i = from; i < from + digits; ++i)
            n = n * 10 + (t[i].unicode() - '0');
        return n;
    };
    const int month = number(5, 2), day = number(8, 2);
    if (month < 1 || month > 12 || day < 1 || day > 31)
        return std::nullopt;
    const qint64 days = daysFromCivil(number(0, 4), month, day);
    return ((days * 24 + number(11, 2)) * 60 + number(14, 2)) * 60000 + number(17, 2) * 1000 + number(20, 3);
}

QString text(const QJsonObject &o, QLatin1StringView key)
{
    return o.value(key).toString();
}

// A time as text, or a number of ms since the epoch.
qint64 time(const QJsonObject &o, QLatin1StringView key)
{
    const QJsonValue v = o.value(key);
    if (v.isDouble())
        return qint64(v.toDouble());
    return LogRecordReader::timeMs(v.toString()).value_or(-1);
}

} // namespace

std::optional<qint64> LogRecordReader::timeMs(const QString &text)
{
    if (const std::optional<qint64> ms = logTime(text))
        return ms;
    const QDateTime t = QDateTime::fromString(text, Qt::ISODateWithMs);
    if (!t.isValid() || t.timeSpec() == Qt::LocalTime)
        return std::nullopt;
    return t.toMSecsSinceEpoch();
}

LogRecordReader::LineKind LogRecordReader::parse(const QByteArray &line, LogRecord *record, int *schema) const
{
    if (line.trimmed().isEmpty())
        return LineKind::Empty;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(line, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return LineKind::Foreign;
    const QJsonObject o = document.object();
    const QJsonValue event = o.value(QLatin1StringView("event"));
    const QJsonValue runId = o.value(QLatin1StringView("run_id"));
    if (!event.isString() || !runId.isString())
        return LineKind::Foreign;
    const QJsonValue version = o.value(QLatin1StringView("schema"));
    *schema = version.isUndefined() ? 0 : version.toInt(-1);
    if (*schema < 0)
        return LineKind::Foreign;
    if (*schema > knownSchema)
        return LineKind::Newer;
    const QString name = event.toString();
    const auto kind = std::find_if(std::begin(kinds), std::end(kinds), [&name](const KindName &k) { return k.event == name; });
    if (kind == std::end(kinds))
        return LineKind::Ignored; // a kind the report does not count (position-stopped ...)

    LogRecord &r = *record;
    r = LogRecord();
    r.kind = kind->kind;
    r.runId = runId.toString();
    r.station = text(o, QLatin1StringView("station"));
    r.workOrder = text(o, QLatin1StringView("work_order"));
    r.position = text(o, QLatin1StringView("position"));
    r.panelId = text(o, QLatin1StringView("panel_id"));
    r.timeMs = time(o, QLatin1StringView("time"));
    switch (r.kind) {
    case LogRecord::Kind::Attempt: {
        r.seq = o.value(QLatin1StringView("seq")).toInt();
        r.outcome = text(o, QLatin1StringView("outcome"));
        r.reason = text(o, QLatin1StringView("reason"));
        if (const QJsonValue a = o.value(QLatin1StringView("address")); a.isDouble())
            r.address = a.toInt();
        r.startedMs = time(o, QLatin1StringView("started"));
        r.durationMs = qint64(o.value(QLatin1StringView("duration_ms")).toDouble());
        if (r.position.isEmpty()) // a command of one port without a label
            r.position = text(o, QLatin1StringView("port"));
        break;
    }
    case LogRecord::Kind::Seating: {
        r.arrivedMs = time(o, QLatin1StringView("arrived"));
        r.leftMs = time(o, QLatin1StringView("left"));
        for (const QJsonValue seq : o.value(QLatin1StringView("seq")).toArray())
            r.attempts << seq.toInt();
        break;
    }
    case LogRecord::Kind::Id:
        r.bound = text(o, QLatin1StringView("bound"));
        break;
    case LogRecord::Kind::Run:
        r.startedMs = time(o, QLatin1StringView("started"));
        break;
    case LogRecord::Kind::Summary:
        r.durationMs = qint64(o.value(QLatin1StringView("duration_ms")).toDouble());
        break;
    }
    // The fixture's positions in order, as the run and its summary name them.
    if (r.kind == LogRecord::Kind::Run || r.kind == LogRecord::Kind::Summary)
        for (const QJsonValue p : o.value(QLatin1StringView("positions")).toArray())
            r.positions << (p.isObject() ? p.toObject().value(QLatin1StringView("position")).toString() : p.toString());
    if (!m_keepId.isEmpty() && r.panelId == m_keepId)
        r.object = o;
    return LineKind::Record;
}

LogRecordReader::Counts LogRecordReader::read(QIODevice &device, const Handler &handler) const
{
    Counts counts;
    qint64 lineNumber = 0;
    const auto take = [&](const QByteArray &line, bool tooLong) {
        ++lineNumber;
        LogRecord record;
        int schema = 0;
        const LineKind kind = tooLong ? LineKind::Foreign : parse(line, &record, &schema);
        if (kind == LineKind::Empty)
            return;
        ++counts.lines;
        switch (kind) {
        case LineKind::Record:
            ++counts.records;
            handler(std::move(record));
            break;
        case LineKind::Foreign:
            if (counts.skipped++ == 0)
                counts.firstSkippedLine = lineNumber;
            break;
        case LineKind::Newer:
            if (counts.newer++ == 0)
                counts.firstNewerLine = lineNumber;
            counts.newestSchema = std::max(counts.newestSchema, schema);
            break;
        case LineKind::Empty:
        case LineKind::Ignored:
            break;
        }
    };

    // Read in pieces: a line past the longest is dropped as it comes, never held whole.
    QByteArray pending;
    bool dropping = false;
    QByteArray chunk;
    for (;;) {
        chunk = device.read(readSize);
        if (chunk.isEmpty())
            break; // the end, or a device that failed: what was read is counted
        qsizetype from = 0;
        for (qsizetype end; (end = chunk.indexOf('\n', from)) >= 0; from = end + 1) {
            if (dropping) {
                take({}, true);
                dropping = false;
            } else if (pending.isEmpty()) {
                take(QByteArray::fromRawData(chunk.constData() + from, end - from), false);
            } else {
                pending.append(chunk.constData() + from, end - from);
                take(pending, false);
                pending.clear();
            }
        }
        if (!dropping)
            pending.append(chunk.constData() + from, chunk.size() - from);
        if (pending.size() > longestLine) {
            pending.clear();
            dropping = true;
        }
    }
    if (dropping)
        take({}, true);
    else if (!pending.isEmpty())
        take(pending, false); // a last line without its end: torn, unless it parses
    return counts;
}
