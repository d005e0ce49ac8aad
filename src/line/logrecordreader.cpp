#include "logrecordreader.h"

#include "line/linescanner.h"

#include <QDateTime>
#include <QIODevice>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <array>
#include <charconv>
#include <limits>
#include <string_view>

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

// The keys the report reads.
enum class Key { Event, RunId, Schema, Station, WorkOrder, Position, Port, PanelId, Time, Seq, Outcome, Reason,
                 Address, Started, DurationMs, Arrived, Left, Attempts, Bound, Positions, Count };

constexpr std::pair<std::string_view, Key> keyNames[] = {
    {"event", Key::Event}, {"run_id", Key::RunId}, {"schema", Key::Schema}, {"station", Key::Station},
    {"work_order", Key::WorkOrder}, {"position", Key::Position}, {"port", Key::Port}, {"panel_id", Key::PanelId},
    {"time", Key::Time}, {"seq", Key::Seq}, {"outcome", Key::Outcome}, {"reason", Key::Reason},
    {"address", Key::Address}, {"started", Key::Started}, {"duration_ms", Key::DurationMs}, {"arrived", Key::Arrived},
    {"left", Key::Left}, {"attempts", Key::Attempts}, {"bound", Key::Bound}, {"positions", Key::Positions},
};

using Values = std::array<LineScanner::Value, size_t(Key::Count)>;

QString text(const Values &v, Key key)
{
    const LineScanner::Value &value = v[size_t(key)];
    if (value.kind != '"')
        return {};
    const std::string_view inner = value.text.substr(1, value.text.size() - 2);
    if (inner.find('\\') == std::string_view::npos)
        return QString::fromUtf8(inner.data(), qsizetype(inner.size()));
    // Escapes are rare (an id with a control character): JSON's own reader takes them.
    const QByteArray array = '[' + QByteArray(value.text.data(), qsizetype(value.text.size())) + ']';
    return QJsonDocument::fromJson(array).array().at(0).toString();
}

std::optional<double> number(const LineScanner::Value &value)
{
    if (value.kind != '0')
        return std::nullopt;
    double n = 0;
    const auto [end, error] = std::from_chars(value.text.data(), value.text.data() + value.text.size(), n);
    if (error != std::errc() || end != value.text.data() + value.text.size())
        return std::nullopt;
    return n;
}

// A whole number within the bounds, as the log writes counts, addresses and times; none
// for anything else, which no record of ours holds.
std::optional<qint64> whole(const LineScanner::Value &value, qint64 low, qint64 high)
{
    const std::optional<double> n = number(value);
    if (!n || !(*n >= double(low) && *n <= double(high)))
        return std::nullopt;
    return qint64(*n);
}

constexpr qint64 wholeLimit = qint64(1) << 53; // where a double still holds every whole number

// A time as text, or a number of ms since the epoch.
qint64 time(const Values &v, Key key)
{
    if (const std::optional<qint64> ms = whole(v[size_t(key)], 0, wholeLimit))
        return *ms;
    return LogRecordReader::timeMs(text(v, key)).value_or(-1);
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
    Values v;
    const bool anObject = LineScanner(std::string_view(line.constData(), size_t(line.size())))
                           .object([&v](std::string_view name, const LineScanner::Value &value) {
                               for (const auto &[keyName, key] : keyNames)
                                   if (keyName == name) {
                                       v[size_t(key)] = value;
                                       return;
                                   }
                           });
    if (!anObject || v[size_t(Key::Event)].kind != '"' || v[size_t(Key::RunId)].kind != '"')
        return LineKind::Foreign;
    const LineScanner::Value &version = v[size_t(Key::Schema)];
    *schema = version.kind == 0 ? 0 : int(whole(version, 0, std::numeric_limits<int>::max()).value_or(-1));
    if (*schema < 0)
        return LineKind::Foreign;
    if (*schema > knownSchema)
        return LineKind::Newer;
    const QString name = text(v, Key::Event);
    const auto kind = std::find_if(std::begin(kinds), std::end(kinds), [&name](const KindName &k) { return k.event == name; });
    if (kind == std::end(kinds))
        return LineKind::Ignored; // a kind the report does not count (position-stopped ...)

    LogRecord &r = *record;
    r = LogRecord();
    r.kind = kind->kind;
    r.runId = text(v, Key::RunId);
    r.station = text(v, Key::Station);
    r.workOrder = text(v, Key::WorkOrder);
    r.position = text(v, Key::Position);
    r.panelId = text(v, Key::PanelId);
    r.timeMs = time(v, Key::Time);
    switch (r.kind) {
    case LogRecord::Kind::Attempt:
        r.seq = int(whole(v[size_t(Key::Seq)], 0, std::numeric_limits<int>::max()).value_or(0));
        r.outcome = text(v, Key::Outcome);
        r.reason = text(v, Key::Reason);
        if (const std::optional<qint64> address = whole(v[size_t(Key::Address)], 0, 255))
            r.address = int(*address);
        r.startedMs = time(v, Key::Started);
        r.durationMs = whole(v[size_t(Key::DurationMs)], 0, wholeLimit).value_or(0);
        if (r.position.isEmpty()) // a command of one port without a label
            r.position = text(v, Key::Port);
        break;
    case LogRecord::Kind::Seating: {
        r.arrivedMs = time(v, Key::Arrived);
        r.leftMs = time(v, Key::Left);
        // The attempts' seq: a list of whole numbers, under either name.
        const LineScanner::Value &seqs = v[size_t(v[size_t(Key::Seq)].kind == '[' ? Key::Seq : Key::Attempts)];
        const std::string_view list = seqs.kind == '[' ? seqs.text : std::string_view();
        for (const char *p = list.data(), *end = p + list.size(); p < end;) {
            int seq = 0;
            const auto [next, error] = std::from_chars(p, end, seq);
            if (error == std::errc())
                r.attempts << seq;
            p = next == p ? p + 1 : next;
        }
        break;
    }
    case LogRecord::Kind::Id:
        r.bound = text(v, Key::Bound);
        break;
    case LogRecord::Kind::Run:
        r.startedMs = time(v, Key::Started);
        break;
    case LogRecord::Kind::Summary:
        r.durationMs = whole(v[size_t(Key::DurationMs)], 0, wholeLimit).value_or(0);
        break;
    }
    // The fixture's positions in order, as the run and its summary name them.
    if (const LineScanner::Value &list = v[size_t(Key::Positions)]; list.kind == '[') {
        const QByteArray bytes(list.text.data(), qsizetype(list.text.size()));
        for (const QJsonValue p : QJsonDocument::fromJson(bytes).array())
            r.positions << (p.isObject() ? p.toObject().value(QLatin1StringView("position")).toString() : p.toString());
    }
    if (!m_keepId.isEmpty() && r.panelId == m_keepId)
        r.object = QJsonDocument::fromJson(line).object();
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
