#include "shiftreport.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <tuple>

namespace {

enum Outcome : quint8 { Done, Unchanged, Failed };

Outcome outcomeOf(const QString &word)
{
    if (word == QLatin1StringView("done"))
        return Done;
    if (word == QLatin1StringView("unchanged"))
        return Unchanged;
    return Failed;
}

// The n-th smallest by nearest rank (1-based), as exact over a shift as over one panel.
qint64 rank(std::vector<qint64> &values, double fraction)
{
    const size_t n = values.size();
    const size_t k = std::max<size_t>(1, size_t(std::ceil(fraction * double(n)))) - 1;
    std::nth_element(values.begin(), values.begin() + qsizetype(k), values.end());
    return values[k];
}

// The most frequent, most first; ties in the order of what they count.
template<typename Tally, typename Key, typename Make, typename What>
QList<Tally> topOf(const QHash<Key, int> &counts, Make make, What what)
{
    QList<Tally> list;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        list.append(make(it.key(), it.value()));
    std::sort(list.begin(), list.end(), [what](const Tally &a, const Tally &b) {
        return a.count != b.count ? a.count > b.count : std::invoke(what, a) < std::invoke(what, b);
    });
    if (list.size() > ShiftReport::topCount)
        list.resize(ShiftReport::topCount);
    return list;
}

} // namespace

std::optional<double> ShiftReport::Figures::firstPassYield() const
{
    return unitsTried ? std::optional<double>(double(firstPass) / unitsTried) : std::nullopt;
}

std::optional<double> ShiftReport::Figures::finalYield() const
{
    return unitsTried ? std::optional<double>(double(finalPass) / unitsTried) : std::nullopt;
}

std::optional<int> ShiftReport::Figures::panelsPerHour() const
{
    // As the board's rate: a few seconds say nothing about a shift.
    if (durationMs < 10000)
        return std::nullopt;
    return int(std::lround(finalPass * 3600000.0 / double(durationMs)));
}

// The counts of one position, or of a run, or of every run, as records are taken in.
class ShiftReport::Accumulator
{
public:
    void attempt(const Attempt &a, quint64 unit)
    {
        ++f.attempts;
        const bool passed = a.outcome != Failed;
        (a.outcome == Done ? f.programmed : a.outcome == Unchanged ? f.unchanged : f.failed) += 1;
        Unit &u = units[unit];
        if (!u.tried) {
            u.tried = true;
            u.firstPassed = passed;
        }
        u.lastPassed = passed;
        attemptCycles.push_back(a.durationMs);
        if (!passed) {
            ++reasons[a.reason];
            if (a.address >= 0)
                ++addresses[a.address];
        }
    }
    void seating(const Seating &s, qint64 arrivedMs, quint64 unit)
    {
        units[unit]; // a unit, with or without an attempt
        if (s.leftMs >= 0 && arrivedMs >= 0)
            seatingCycles.push_back(s.leftMs - arrivedMs);
    }
    void expired() { ++f.expiredIds; }
    // A run's or the shift's: the counts of its parts, and their cycle times pooled.
    void merge(const Accumulator &part)
    {
        f.units += part.f.units;
        f.attempts += part.f.attempts;
        f.programmed += part.f.programmed;
        f.unchanged += part.f.unchanged;
        f.failed += part.f.failed;
        f.expiredIds += part.f.expiredIds;
        f.unitsTried += part.f.unitsTried;
        f.firstPass += part.f.firstPass;
        f.finalPass += part.f.finalPass;
        f.durationMs += part.f.durationMs;
        cycles.insert(cycles.end(), part.cycles.cbegin(), part.cycles.cend());
        for (auto it = part.reasons.cbegin(); it != part.reasons.cend(); ++it)
            reasons[it.key()] += it.value();
        for (auto it = part.addresses.cbegin(); it != part.addresses.cend(); ++it)
            addresses[it.key()] += it.value();
    }
    // The units counted and the cycle times chosen: removal times where the seatings say
    // them, else each attempt's own.
    void close()
    {
        f.units += int(units.size());
        for (const Unit &u : std::as_const(units)) {
            f.unitsTried += u.tried;
            f.firstPass += u.tried && u.firstPassed;
            f.finalPass += u.tried && u.lastPassed;
        }
        units.clear();
        std::vector<qint64> &chosen = seatingCycles.empty() ? attemptCycles : seatingCycles;
        cycles.insert(cycles.end(), chosen.cbegin(), chosen.cend());
        attemptCycles = {};
        seatingCycles = {};
    }
    Figures figures(const QStringList &texts)
    {
        Figures out = f;
        if (!cycles.empty()) {
            out.cycleMedianMs = rank(cycles, 0.5);
            out.cycleP95Ms = rank(cycles, 0.95);
        }
        out.reasons = topOf<Tally>(reasons, [&texts](int key, int count) { return Tally{texts.value(key), count}; },
                                   &Tally::key);
        out.addresses = topOf<AddressTally>(addresses, [](int address, int count) { return AddressTally{address, count}; },
                                            &AddressTally::address);
        return out;
    }

    Figures f;
    std::vector<qint64> cycles; // those chosen, once closed

private:
    struct Unit
    {
        bool tried = false;
        bool firstPassed = false;
        bool lastPassed = false;
    };
    QHash<quint64, Unit> units;
    std::vector<qint64> attemptCycles, seatingCycles;
    QHash<int, int> reasons;
    QHash<int, int> addresses;
};

quint64 ShiftReport::idKey(const QString &panelId)
{
    if (panelId.isEmpty())
        return 0;
    // Ids are kept as hashes: a shift of a million ids in 64 bits meets no two alike. The
    // top bit is left for the units that have no id.
    const quint64 h = quint64(qHash(panelId, 0x5eed)) & ~(quint64(1) << 63);
    return h ? h : 1;
}

int ShiftReport::text(const QString &text)
{
    if (text.isEmpty())
        return -1;
    auto it = m_textIndex.constFind(text);
    if (it != m_textIndex.cend())
        return *it;
    m_texts << text;
    return *m_textIndex.insert(text, int(m_texts.size() - 1));
}

int ShiftReport::position(const QString &position)
{
    auto it = m_positionIndex.constFind(position);
    if (it != m_positionIndex.cend())
        return *it;
    m_positions << position;
    return *m_positionIndex.insert(position, int(m_positions.size() - 1));
}

// What a failure is counted under: its reason, else its outcome (differs), else that the
// record names neither.
QString ShiftReport::failure(const LogRecord &record)
{
    if (!record.reason.isEmpty())
        return record.reason;
    return record.outcome.isEmpty() ? QStringLiteral("unknown") : record.outcome;
}

ShiftReport::Place ShiftReport::place(const LogRecord &record, qint64 timeMs)
{
    auto it = m_runIndex.constFind(record.runId);
    if (it == m_runIndex.cend()) {
        it = m_runIndex.insert(record.runId, int(m_runs.size()));
        m_runs.push_back({});
        m_runs.back().id = record.runId;
    }
    RunData &run = m_runs[size_t(*it)];
    const Place p{*it, position(record.position), text(record.station), text(record.workOrder), timeMs};
    // The run's station and work order are its run record's, else the first a record names.
    if (run.station < 0 || record.kind == LogRecord::Kind::Run)
        run.station = p.station >= 0 ? p.station : run.station;
    if (run.workOrder < 0 || record.kind == LogRecord::Kind::Run)
        run.workOrder = p.workOrder >= 0 ? p.workOrder : run.workOrder;
    for (const qint64 t : {timeMs, record.timeMs})
        if (t >= 0) {
            run.firstMs = run.firstMs < 0 ? t : std::min(run.firstMs, t);
            run.lastMs = std::max(run.lastMs, t);
        }
    return p;
}

void ShiftReport::add(LogRecord &&record)
{
    switch (record.kind) {
    case LogRecord::Kind::Attempt: {
        const Place p = place(record, record.startedMs >= 0 ? record.startedMs : record.timeMs);
        const bool failed = outcomeOf(record.outcome) == Failed;
        m_attempts.push_back({p, record.seq, idKey(record.panelId), record.durationMs,
                              failed ? text(failure(record)) : -1,
                              qint16(record.address.value_or(-1)), quint8(outcomeOf(record.outcome))});
        break;
    }
    case LogRecord::Kind::Seating:
        m_seatings.push_back({place(record, record.arrivedMs), idKey(record.panelId), record.leftMs,
                              std::move(record.attempts)});
        if (record.leftMs >= 0)
            m_runs[size_t(m_seatings.back().place.run)].lastMs =
                std::max(m_runs[size_t(m_seatings.back().place.run)].lastMs, record.leftMs);
        break;
    case LogRecord::Kind::Id: {
        const Place p = place(record, record.timeMs);
        if (record.bound == QLatin1StringView("expired"))
            m_expired.push_back(p);
        break;
    }
    case LogRecord::Kind::Run: {
        const Place p = place(record, record.startedMs);
        RunData &run = m_runs[size_t(p.run)];
        run.startedMs = record.startedMs;
        run.order.clear(); // in place of any order a summary named
        for (const QString &name : std::as_const(record.positions))
            run.order << position(name);
        break;
    }
    case LogRecord::Kind::Summary: {
        const Place p = place(record, record.timeMs);
        RunData &run = m_runs[size_t(p.run)];
        run.summaryMs = record.timeMs;
        run.summaryDurationMs = record.durationMs;
        // Today's logs name the fixture's order in the summary alone; a run record's comes first.
        if (run.order.isEmpty())
            for (const QString &name : std::as_const(record.positions))
                run.order << position(name);
        break;
    }
    }
    if (!record.object.isEmpty())
        m_kept.append(std::move(record));
}

qint64 ShiftReport::runStart(const RunData &run) const
{
    if (run.startedMs >= 0)
        return run.startedMs;
    // Today's records name no start but the summary's length.
    if (run.summaryMs >= 0 && run.summaryDurationMs >= 0)
        return std::min(run.firstMs, run.summaryMs - run.summaryDurationMs);
    return run.firstMs;
}

qint64 ShiftReport::runEnd(const RunData &run) const
{
    return run.lastMs;
}

bool ShiftReport::counts(const Place &place, const Filter &filter) const
{
    const RunData &run = m_runs[size_t(place.run)];
    if (!filter.run.isEmpty() && !run.id.startsWith(filter.run))
        return false;
    if (filter.sinceMs && place.timeMs < *filter.sinceMs)
        return false;
    if (filter.untilMs && place.timeMs >= *filter.untilMs)
        return false;
    const int station = place.station >= 0 ? place.station : run.station;
    if (!filter.station.isEmpty() && m_texts.value(station) != filter.station)
        return false;
    const int workOrder = place.workOrder >= 0 ? place.workOrder : run.workOrder;
    if (!filter.workOrder.isEmpty() && m_texts.value(workOrder) != filter.workOrder)
        return false;
    return true;
}

ShiftReport::Result ShiftReport::figures(const Filter &filter) const
{
    // The records that count, by run.
    std::vector<std::vector<const Attempt *>> attempts(m_runs.size());
    std::vector<std::vector<const Seating *>> seatings(m_runs.size());
    std::vector<std::vector<const Place *>> expired(m_runs.size());
    for (const Attempt &a : m_attempts)
        if (counts(a.place, filter))
            attempts[size_t(a.place.run)].push_back(&a);
    for (const Seating &s : m_seatings)
        if (counts(s.place, filter))
            seatings[size_t(s.place.run)].push_back(&s);
    for (const Place &p : m_expired)
        if (counts(p, filter))
            expired[size_t(p.run)].push_back(&p);

    Result result;
    Accumulator shift;
    std::vector<size_t> order;
    for (size_t r = 0; r < m_runs.size(); ++r)
        if (!attempts[r].empty() || !seatings[r].empty() || !expired[r].empty())
            order.push_back(r);
    std::sort(order.begin(), order.end(), [this](size_t a, size_t b) { return runStart(m_runs[a]) < runStart(m_runs[b]); });

    for (const size_t r : order) {
        const RunData &data = m_runs[r];
        std::vector<const Attempt *> &tried = attempts[r];
        // In the order the attempts ended. The same record read twice (a part given twice, a
        // copy beside its original) counts once, as do seatings and expiries.
        std::stable_sort(tried.begin(), tried.end(), [](const Attempt *a, const Attempt *b) { return a->seq < b->seq; });
        tried.erase(std::unique(tried.begin(), tried.end(),
                                [](const Attempt *a, const Attempt *b) { return a->seq > 0 && a->seq == b->seq; }),
                    tried.end());

        std::vector<const Seating *> &seated = seatings[r];
        const auto seatingOrder = [](const Seating *a, const Seating *b) {
            return std::tie(a->place.position, a->place.timeMs, a->leftMs, a->id)
                   < std::tie(b->place.position, b->place.timeMs, b->leftMs, b->id);
        };
        std::sort(seated.begin(), seated.end(), seatingOrder);
        seated.erase(std::unique(seated.begin(), seated.end(),
                                 [&](const Seating *a, const Seating *b) { return !seatingOrder(a, b) && !seatingOrder(b, a); }),
                     seated.end());
        std::vector<const Place *> &lapsed = expired[r];
        const auto placeOrder = [](const Place *a, const Place *b) {
            return std::tie(a->position, a->timeMs) < std::tie(b->position, b->timeMs);
        };
        std::sort(lapsed.begin(), lapsed.end(), placeOrder);
        lapsed.erase(std::unique(lapsed.begin(), lapsed.end(),
                                 [&](const Place *a, const Place *b) { return !placeOrder(a, b) && !placeOrder(b, a); }),
                     lapsed.end());

        // A unit: an id's seatings and attempts; else a seating; else an attempt alone.
        constexpr quint64 noId = quint64(1) << 63;
        QHash<int, quint64> seatingOf; // an attempt's seq: its seating's unit
        std::vector<quint64> seatingUnits;
        for (size_t i = 0; i < seatings[r].size(); ++i) {
            const Seating *s = seatings[r][i];
            seatingUnits.push_back(s->id ? s->id : noId | (quint64(i) << 1));
            for (const int seq : s->attempts)
                seatingOf.insert(seq, seatingUnits.back());
        }
        const auto unitOf = [&](const Attempt *a, size_t i) {
            return a->id ? a->id : seatingOf.value(a->seq, noId | (quint64(i) << 1) | 1);
        };

        QList<int> positions = data.order;
        QHash<int, Accumulator> byPosition;
        const auto at = [&](int p) -> Accumulator & {
            if (!positions.contains(p))
                positions << p;
            return byPosition[p];
        };
        for (size_t i = 0; i < tried.size(); ++i)
            at(tried[i]->place.position).attempt(*tried[i], unitOf(tried[i], i));
        for (size_t i = 0; i < seatings[r].size(); ++i)
            at(seatings[r][i]->place.position).seating(*seatings[r][i], seatings[r][i]->place.timeMs, seatingUnits[i]);
        for (const Place *p : expired[r])
            at(p->position).expired();

        // The run's own units: one id seated at two positions is one unit of the run.
        Accumulator total;
        for (size_t i = 0; i < tried.size(); ++i)
            total.attempt(*tried[i], unitOf(tried[i], i));
        for (size_t i = 0; i < seatings[r].size(); ++i)
            total.seating(*seatings[r][i], seatings[r][i]->place.timeMs, seatingUnits[i]);
        total.f.expiredIds = int(expired[r].size());

        // The run's length, cut to the window asked for.
        qint64 start = runStart(data), end = runEnd(data);
        if (filter.sinceMs)
            start = std::max(start, *filter.sinceMs);
        if (filter.untilMs)
            end = std::min(end, *filter.untilMs);
        const qint64 duration = std::max<qint64>(0, end - start);

        Run run{data.id, m_texts.value(data.station), m_texts.value(data.workOrder), runStart(data), runEnd(data), {}, {}};
        std::vector<qint64> cycles; // each position's, chosen for that position
        for (const int p : std::as_const(positions)) {
            auto it = byPosition.find(p);
            if (it == byPosition.end())
                continue; // named by the run, nothing counted there
            it->f.durationMs = duration;
            it->close();
            cycles.insert(cycles.end(), it->cycles.cbegin(), it->cycles.cend());
            run.positions.append({m_positions.value(p), it->figures(m_texts)});
        }
        total.close();
        total.cycles = std::move(cycles);
        total.f.durationMs = duration;
        run.total = total.figures(m_texts);
        result.runs.append(run);
        shift.merge(total);
    }
    result.total = shift.figures(m_texts);
    return result;
}

QList<LogRecord> ShiftReport::history(const QString &panelId) const
{
    QList<LogRecord> records;
    for (const LogRecord &r : m_kept)
        if (r.panelId == panelId)
            records << r;
    const auto when = [](const LogRecord &r) {
        return r.kind == LogRecord::Kind::Seating && r.arrivedMs >= 0 ? r.arrivedMs
               : r.kind == LogRecord::Kind::Attempt && r.startedMs >= 0 ? r.startedMs
                                                                          : r.timeMs;
    };
    std::stable_sort(records.begin(), records.end(), [&](const LogRecord &a, const LogRecord &b) {
        return when(a) != when(b) ? when(a) < when(b) : a.seq < b.seq;
    });
    return records;
}
