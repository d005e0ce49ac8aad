#include "productionline.h"

#include "line/panelpoller.h"
#include "link/panellink.h"
#include "link/portchoice.h"
#include "platform/exitcode.h"
#include "session/transferdriver.h"

#include <algorithm>

using StatusTexts::Direction;
using Kind = PositionState::Kind;

ProductionLine::ProductionLine(const LineSettings &settings, ConnectionFactory makeConnection, LineClock &clock,
                               QObject *parent)
    : QObject(parent)
    , m_settings(settings)
    , m_clock(clock)
    , m_startedAt(clock.now())
    , m_stations(settings.positions.size())
    , m_ports(settings.positions.size())
    , m_unitOfPosition(settings.positions.size(), -1)
{
    m_summary.command = settings.work.command();
    for (int i = 0; i < int(m_stations.size()); ++i) {
        const LineSettings::Position &p = settings.positions[i];
        Station &s = m_stations[i];
        s.label = p.label;
        s.port = p.port;
        // Hands-free, a panel takes its id as it arrives.
        (handsFree() ? s.nextId : s.panelId) = p.panelId;
        m_summary.positions.append({p.label, p.port});
        Port &port = m_ports[i];
        if (!makeConnection)
            continue;
        port.connection = makeConnection(i, p);
        LineConnection *connection = port.connection.get();
        connect(connection, &LineConnection::byteStarting, this, [this, i](int address) {
            tell([&](LineSink &sink) { sink.byteStarting(i, address); });
            setState(i, {Kind::Programming, address});
        });
        connect(connection, &LineConnection::byteDone, this,
                [this, i](int address, const LinkResult &result, const QString &status) {
                    tell([&](LineSink &sink) { sink.byteDone(i, address, result, status); });
                });
        connect(connection, &LineConnection::refused, this,
                [this, i](qint16 model) { tell([&](LineSink &sink) { sink.modelRefused(i, model); }); });
        connect(connection, &LineConnection::finished, this,
                [this, i](const TransferOutcome &outcome, const PanelConfiguration::MemoryImage &image,
                          const std::optional<StatusTexts::Report> &status) { finishedPanel(i, outcome, image, status); });
        if (handsFree()) {
            port.poller = new PanelPoller(clock, settings.polls, this);
            port.poller->pollNow = [connection] { connection->poll(); };
            connect(connection, &LineConnection::polled, port.poller, &PanelPoller::polled);
            connect(connection, &LineConnection::polled, this,
                    [this, i](LineConnection::Poll result) { appeared(i, result); });
            connect(port.poller, &PanelPoller::arrived, this, [this, i] { arrived(i); });
            connect(port.poller, &PanelPoller::gone, this, [this, i] { gone(i); });
        }
    }
    if (handsFree()) {
        m_expiry = clock.ticker(100, [this] { expireIds(); });
        if (!settings.ids.pattern.isEmpty())
            m_idPattern.setPattern(QRegularExpression::anchoredPattern(settings.ids.pattern));
    }
}

ProductionLine::~ProductionLine() = default;

void ProductionLine::subscribe(LineSink *sink)
{
    m_sinks.push_back(sink);
}

template<typename Call>
void ProductionLine::tell(Call call)
{
    for (LineSink *sink : m_sinks)
        call(*sink);
}

int ProductionLine::indexOf(const QString &label) const
{
    const auto found =
        std::find_if(m_stations.begin(), m_stations.end(), [&](const Station &s) { return s.label == label; });
    return found == m_stations.end() ? -1 : int(found - m_stations.begin());
}

RunSummary ProductionLine::summary() const
{
    RunSummary now = m_summary;
    now.durationMs = m_clock.now() - m_startedAt;
    return now;
}

RunResult ProductionLine::result() const
{
    RunResult result;
    result.interrupted = m_interrupted;
    result.keptAll = !m_recordFailed;
    for (const Station &s : m_stations)
        result.attempts.append(s.lastExit);
    return result;
}

void ProductionLine::start()
{
    if (!handsFree()) {
        startRound();
        return;
    }
    m_expiry->start();
    for (int i = 0; i < int(m_stations.size()); ++i) {
        // An id given at the start is the first seating's, however long it takes to come.
        if (!m_stations[i].nextId.isEmpty())
            record(i, IdRecord::Bound::Next, m_stations[i].nextId);
        if (const std::optional<TransferOutcome> refusal = portRefused(i, Check::AtStart)) {
            if (refusal->link.kind == LinkResult::Kind::PortNotFound) {
                // A port missing at the start waits on its row until it is there.
                m_stations[i].state = State::Arriving;
                setState(i, {Kind::PortNotFound});
                m_ports[i].poller->awaitArrival();
            } else {
                fail(i, *refusal);
            }
        } else {
            waitForPanel(i);
        }
    }
    settle();
}

void ProductionLine::run()
{
    start();
    if (!m_finished)
        m_loop.exec();
}

void ProductionLine::interrupt()
{
    if (m_finished || m_interrupted)
        return;
    m_interrupted = true;
    for (Port &p : m_ports)
        if (p.connection)
            p.connection->abort();
    stopAll();
}

void ProductionLine::stopAfterCurrent()
{
    if (m_finished || m_stopping)
        return;
    m_stopping = true;
    stopAll();
}

// A reader gone stops the run after the panels under way.
bool ProductionLine::readerThere()
{
    for (LineSink *sink : m_sinks) {
        if (!sink->readerThere()) {
            stopAfterCurrent();
            return false;
        }
    }
    return true;
}

// No panel starts any more; those under way end as they end.
void ProductionLine::stopAll()
{
    tell([](LineSink &sink) { sink.stopping(); });
    for (int i = 0; i < int(m_stations.size()); ++i) {
        if (m_ports[i].poller)
            m_ports[i].poller->stop();
        if (m_stations[i].state != State::Transferring)
            m_stations[i].state = State::Finished;
    }
    settle();
}

bool ProductionLine::countReached(int index) const
{
    return m_settings.count > 0 && m_summary.positions.value(index).passedUnits >= m_settings.count;
}

// --- A position's state ------------------------------------------------------------------

void ProductionLine::setState(int index, const PositionState &state, int panel)
{
    m_stations[index].shown = state;
    changed(index, panel, true);
}

void ProductionLine::changed(int index, int panel, bool stateChanged)
{
    const Station &s = m_stations[index];
    const LineSink::PositionChange change{index, s.shown, stateChanged, panel, s.panelId, m_clock.utc(), nullptr, {}};
    tell([&](LineSink &sink) { sink.positionChanged(change); });
}

// Why a panel may not start on this position: a port that can never serve (at the start of a
// hands-free run or as it appears, where polls would not tell it), or the port of an earlier
// position reached by another name, which may show only once a link has appeared.
std::optional<TransferOutcome> ProductionLine::portRefused(int index, Check when) const
{
    const Station &s = m_stations[index];
    TransferOutcome outcome;
    outcome.kind = TransferOutcome::Kind::PortFailed;
    outcome.port = s.port;
    // A port that comes up as something that can never serve says so as it would have at the start.
    if (when != Check::Arriving) {
        const LinkResult checked = PanelLink::check(s.port);
        if (!checked.ok() && (when == Check::AtStart || checked.kind != LinkResult::Kind::PortNotFound)) {
            outcome.link = checked;
            return outcome;
        }
    }
    const QString device = PortChoice::identity(s.port).device;
    if (device.isEmpty())
        return std::nullopt;
    // One port, two positions: the one whose port was there first keeps it (the lower one
    // where both were), the other fails as in use; one failed so already counts no more.
    for (int other = 0; other < int(m_stations.size()); ++other) {
        if (other == index || (when != Check::Appearing && other > index)
            || m_stations[other].shown.kind == Kind::PortUnusable)
            continue;
        if (PortChoice::identity(m_stations[other].port).device == device) {
            outcome.link = LinkResult::of(LinkResult::Kind::PortInUse);
            outcome.link.reason = QStringLiteral("the port of %1, by another name").arg(m_stations[other].label);
            return outcome;
        }
    }
    return std::nullopt;
}

// A position whose port cannot serve ends as failed, said with the advice a single write
// gives; the others go on.
void ProductionLine::fail(int index, const TransferOutcome &outcome)
{
    m_stations[index].state = State::Transferring;
    m_ports[index].startedAt = m_clock.now();
    const Direction direction = m_settings.work.reading() ? Direction::Read : Direction::Write;
    const StatusTexts::Report status = TransferDriver::refusal(outcome, direction);
    setState(index, {Kind::PortUnusable, -1, status.text});
    finishedPanel(index, outcome, {}, status);
}

// --- One panel on one position ---------------------------------------------------------------

void ProductionLine::startRound()
{
    for (int i = 0; i < int(m_stations.size()); ++i) {
        if (countReached(i))
            m_stations[i].state = State::Finished;
        else if (m_stations[i].state != State::Finished)
            startPanel(i);
    }
    settle();
}

void ProductionLine::startPanel(int index)
{
    Station &s = m_stations[index];
    if (!readerThere())
        return;
    if (const std::optional<TransferOutcome> refusal = portRefused(index, Check::Arriving)) {
        fail(index, *refusal);
        return;
    }
    if (!s.seating)
        openSeating(index, s.panelId); // at Enter: the panel is there as its first attempt starts
    else if (s.seating->panelId.isEmpty())
        s.seating->panelId = s.panelId;
    s.state = State::Transferring;
    tell([&](LineSink &sink) { sink.attemptStarted(index, s.panel); });
    setState(index, {Kind::Programming}, s.panel);
    Port &port = m_ports[index];
    port.startedAt = m_clock.now();
    port.backup.reset();
    const LineSettings::Work &work = m_settings.work;
    if (work.reading()) {
        port.connection->read();
    } else if (work.backup.isEmpty()) {
        port.connection->write(work.image, work.missing, m_settings.skipMatching);
    } else {
        // Saved on the connection's thread, between the reads and the writes of one opening.
        auto saved = std::make_shared<PanelBackup::Saved>();
        port.backup = saved;
        const ConnectionThread::Backup backup = [saved, folder = work.backup, position = s.label,
                                                 id = s.panelId](qint16 model, const PanelConfiguration::MemoryImage &held) {
            *saved = PanelBackup::save(
                folder, PanelBackup::fileName(position, id, QDateTime::currentDateTimeUtc(), model), held);
            return saved->done();
        };
        port.connection->write(work.image, work.missing, m_settings.skipMatching, backup);
    }
}

void ProductionLine::finishedPanel(int index, const TransferOutcome &outcome,
                                   const PanelConfiguration::MemoryImage &image,
                                   const std::optional<StatusTexts::Report> &status)
{
    Station &s = m_stations[index];
    s.state = State::Idle;
    const LineSettings::Work &work = m_settings.work;

    PanelAttempt attempt;
    attempt.command = work.command();
    attempt.position = s.label;
    attempt.port = s.port;
    attempt.file = work.file;
    attempt.adjusted = work.adjusted;
    attempt.panelId = s.panelId;
    attempt.panel = s.panel;
    attempt.seq = ++m_attempts;
    attempt.timed(m_clock.now() - m_ports[index].startedAt, m_clock.utc());
    attempt.take(outcome);
    const std::shared_ptr<PanelBackup::Saved> backup = std::exchange(m_ports[index].backup, nullptr);
    const bool backedUp = backup && !backup->path.isEmpty(); // the panel was read for it
    if (backedUp) {
        attempt.backupAdjusted = backup->adjusted;
        if (backup->done())
            attempt.backup = backup->path;
    }

    QString outcomeText = PanelAttempt::interrupted;
    if (status) {
        if (outcome.kind == TransferOutcome::Kind::WrongModel) {
            // The status line kept its text and took the model's detail below it; a read's
            // record keeps the status line as it stands.
            outcomeText = StatusTexts::mismatchTitle();
            attempt.detail = work.read ? status->detail
                                       : outcomeText + QLatin1Char('\n') + status->detail.section(QLatin1Char('\n'), 1);
        } else {
            outcomeText = status->text;
            attempt.detail = status->detail;
        }
    } else {
        attempt.detail = outcomeText;
    }
    if (backedUp && !backup->done())
        attempt.detail += QStringLiteral("\ncannot save %1: %2").arg(backup->path, backup->reason);
    s.lastDetail = attempt.detail.section(QLatin1Char('\n'), 0, 0);

    if (work.verify && outcome.done()) {
        compare(index, image, attempt);
        if (attempt.exitCode != ExitCode::Done)
            outcomeText = s.lastDetail;
    }
    tell([&](LineSink &sink) { sink.transferEnded(index, outcome, status); });
    if (work.finish) {
        work.finish(attempt, image);
        s.lastDetail = attempt.detail.section(QLatin1Char('\n'), 0, 0);
    }

    const bool succeeded = attempt.exitCode == ExitCode::Done;
    RunSummary::Position &counts = m_summary.positions[index];
    ++(!succeeded ? counts.failed : attempt.unchanged ? counts.unchanged : counts.programmed);
    if (s.seating)
        countUnit(index, attempt);
    s.lastExit = attempt.exitCode;
    s.lastOutcome = attempt.outcomeWord();
    s.rejectsInRow = succeeded ? 0 : s.rejectsInRow + 1;

    const LineSink::AttemptEnd end{index, s.panel, outcome, attempt, status,
                                   m_clock.utc()};
    bool recorded = true;
    tell([&](LineSink &sink) { recorded = sink.attemptEnded(end) && recorded; });

    // A port that cannot serve keeps saying so.
    const bool stateChanged = s.shown.kind != Kind::PortUnusable;
    if (stateChanged)
        s.shown = succeeded ? PositionState{attempt.unchanged ? Kind::Unchanged : Kind::Passed}
                            : PositionState::failed(attempt.reasonWord().isEmpty() ? outcomeText : attempt.reasonWord());
    const LineSink::PositionChange change{index,   s.shown,       stateChanged, s.panel, s.panelId, m_clock.utc(),
                                          &attempt, outcomeText};
    tell([&](LineSink &sink) { sink.positionChanged(change); });

    // Rejects in a row point at the fixture (a contact, a cable) more than at the panels.
    if (stateChanged && m_settings.stopAfterFailures > 0 && s.rejectsInRow >= m_settings.stopAfterFailures) {
        setState(index, {Kind::Stopped}, s.panel);
    }
    next(index, succeeded, !recorded);
}

// What a position does after an attempt: wait for the panel to go, for Enter, or nothing more.
void ProductionLine::next(int index, bool succeeded, bool recordFailed)
{
    Station &s = m_stations[index];
    if (recordFailed && !m_recordFailed) {
        m_recordFailed = true;
        s.state = State::Finished;
        stopAll();
        return;
    }
    const bool ending = m_interrupted || m_recordFailed || m_stopping || !readerThere() || countReached(index)
        || s.shown.kind == Kind::PortUnusable || s.shown.kind == Kind::Stopped;
    if (handsFree()) {
        if (ending) {
            s.state = State::Finished;
        } else {
            // Tried once: the next attempt is for whatever comes after this panel has gone.
            s.state = State::Leaving;
            ++s.panel;
            s.panelId.clear();
            changed(index);
            m_ports[index].poller->awaitDeparture();
        }
    } else if (m_settings.series()) {
        if (succeeded) {
            endSeating(index, std::nullopt);
            ++s.panel;
        }
        s.state = ending ? State::Finished : State::Idle;
    } else {
        s.state = State::Finished;
    }
    settle();
}

// A verify: the panel's bytes against what a write of the file sends.
void ProductionLine::compare(int index, const PanelConfiguration::MemoryImage &image, PanelAttempt &attempt)
{
    Station &s = m_stations[index];
    const LineSettings::Work &work = m_settings.work;
    const QList<PanelAttempt::Difference> differences =
        PanelAttempt::differencesOf(image, work.image, PanelAttempt::found(work.image, work.adjusted));
    QStringList lines, items;
    for (const PanelAttempt::Difference &d : differences) {
        lines << PanelAttempt::describe(d);
        items << PanelConfiguration::name(d.address);
    }
    if (differences.isEmpty()) {
        lines << QStringLiteral("THE SWITCH PANEL MATCHES %1").arg(work.file);
        s.lastDetail = lines.constFirst();
    } else {
        attempt.exitCode = ExitCode::Differs;
        s.lastDetail = QStringLiteral("DIFFERS IN %1").arg(items.join(QStringLiteral(", ")));
    }
    attempt.differences = differences;
    attempt.detail = lines.join(QLatin1Char('\n'));
}

// --- Hands-free --------------------------------------------------------------------------

void ProductionLine::waitForPanel(int index)
{
    Station &s = m_stations[index];
    s.state = State::Arriving;
    setState(index, {Kind::Waiting}, s.panel);
    m_ports[index].poller->awaitArrival();
}

// A port missing at the start waits on its row until it is there.
void ProductionLine::appeared(int index, LineConnection::Poll result)
{
    const Station &s = m_stations[index];
    if (s.shown.kind != Kind::PortNotFound || s.state != State::Arriving || result == LineConnection::Poll::PortMissing)
        return;
    // Two names of one port may show to be one only now that it is there.
    if (const std::optional<TransferOutcome> refusal = portRefused(index, Check::Appearing)) {
        m_ports[index].poller->stop();
        fail(index, *refusal);
        return;
    }
    waitForPanel(index);
}

void ProductionLine::arrived(int index)
{
    Station &s = m_stations[index];
    if (s.state != State::Arriving || m_interrupted || m_recordFailed || m_stopping)
        return;
    Port &port = m_ports[index];
    port.arrivedAt = m_clock.now();
    port.freeSince = -1;
    openSeating(index, std::exchange(s.nextId, {}));
    tell([&](LineSink &sink) { sink.panelArrived(index, s.panel); });
    if (s.panelId.isEmpty() && m_settings.ids.required) {
        // Programmed only once its id is known; it may be taken out meanwhile.
        s.state = State::AwaitingId;
        setState(index, {Kind::AwaitingId}, s.panel);
        port.poller->awaitDeparture();
        return;
    }
    setState(index, {Kind::Present}, s.panel);
    startPanel(index);
}

void ProductionLine::gone(int index)
{
    Station &s = m_stations[index];
    if ((s.state != State::Leaving && s.state != State::AwaitingId) || m_interrupted || m_recordFailed || m_stopping)
        return;
    const int panel = s.seating ? s.seating->panel : s.panel - 1;
    if (s.state == State::AwaitingId)
        ++s.panel; // never tried, yet a seating of its own
    s.panelId.clear();
    tell([&](LineSink &sink) { sink.panelLeft(index, panel); });
    endSeating(index, m_clock.utc());
    setState(index, {Kind::Removed}, panel);
    // An id scanned while the panel was there waits from now on.
    if (!s.nextId.isEmpty())
        m_ports[index].freeSince = m_clock.now();
    waitForPanel(index);
}

bool ProductionLine::scan(int position, const QString &id)
{
    using Bound = IdRecord::Bound;
    Station &s = m_stations[position];
    Port &port = m_ports[position];
    if (m_finished || s.state == State::Finished)
        return false;
    if (m_idPattern.isValid() && !m_idPattern.pattern().isEmpty() && !m_idPattern.match(id).hasMatch()) {
        record(position, Bound::Refused, id, IdRecord::Refusal::Pattern);
        return true;
    }
    if (m_settings.ids.refuseDuplicates && passedBefore(id)) {
        record(position, Bound::Refused, id, IdRecord::Refusal::Duplicate);
        return true;
    }
    // A scan just after its panel arrived (the operator seats, then scans) is that panel's,
    // as long as nothing has been recorded of it.
    const bool forSeated = s.seating && s.seating->panelId.isEmpty() && s.seating->attempts.isEmpty()
        && (s.state == State::AwaitingId
            || (s.state == State::Transferring && m_clock.now() - port.arrivedAt <= m_settings.ids.scanWindowMs));
    if (forSeated) {
        s.panelId = id;
        s.seating->panelId = id;
        s.seating->duplicate = passedBefore(id);
        tell([&](LineSink &sink) { sink.idRead(position, id); });
        record(position, Bound::Current, id);
        if (s.state == State::AwaitingId) {
            port.poller->stop();
            setState(position, {Kind::Present}, s.panel);
            startPanel(position);
            settle();
        } else {
            changed(position);
        }
        return true;
    }
    if (!s.nextId.isEmpty())
        record(position, Bound::Replaced, s.nextId);
    s.nextId = id;
    port.freeSince = s.state == State::Arriving ? m_clock.now() : -1;
    tell([&](LineSink &sink) { sink.idRead(position, id); });
    record(position, Bound::Next, id);
    changed(position);
    return true;
}

void ProductionLine::endWith(const PanelAttempt &attempt)
{
    m_summary.command = attempt.command;
    const TransferOutcome none;
    for (int i = 0; i < int(m_stations.size()); ++i) {
        Station &s = m_stations[i];
        PanelAttempt at = attempt;
        at.position = s.label;
        at.port = s.port;
        at.panelId = s.panelId;
        RunSummary::Position &counts = m_summary.positions[i];
        ++(at.exitCode == ExitCode::Done ? counts.programmed : counts.failed);
        s.lastExit = at.exitCode;
        s.lastOutcome = at.outcomeWord();
        s.state = State::Finished;
        const LineSink::AttemptEnd end{i, s.panel, none, at, std::nullopt, m_clock.utc()};
        bool recorded = true;
        tell([&](LineSink &sink) { recorded = sink.attemptEnded(end) && recorded; });
        m_recordFailed = m_recordFailed || !recorded;
    }
    finish();
}

// --- Ids and units -------------------------------------------------------------------------

void ProductionLine::record(int index, IdRecord::Bound bound, const QString &id, IdRecord::Refusal refusal)
{
    const Station &s = m_stations[index];
    IdRecord r{s.label, s.port, id, bound, std::nullopt, passedBefore(id), refusal};
    if (bound == IdRecord::Bound::Current && s.seating)
        r.panel = s.seating->panel;
    if (bound == IdRecord::Bound::Expired)
        ++m_summary.units.expiredIds;
    tell([&](LineSink &sink) { sink.idRecorded(index, r); });
}

bool ProductionLine::passedBefore(const QString &id) const
{
    const auto unit = m_unitOfId.constFind(id);
    return !id.isEmpty() && unit != m_unitOfId.constEnd() && m_units[*unit].passed;
}

void ProductionLine::openSeating(int index, const QString &id)
{
    Station &s = m_stations[index];
    s.panelId = id;
    Seating seating;
    seating.position = s.label;
    seating.port = s.port;
    seating.panel = s.panel;
    seating.panelId = id;
    seating.duplicate = passedBefore(id);
    seating.arrived = m_clock.utc();
    s.seating = seating;
    m_unitOfPosition[index] = -1;
}

void ProductionLine::endSeating(int index, std::optional<QDateTime> left)
{
    Station &s = m_stations[index];
    if (!s.seating)
        return;
    Seating ended = *std::exchange(s.seating, std::nullopt);
    ended.left = left;
    m_unitOfPosition[index] = -1;
    // Only polls tell when a panel came and went; at Enter a panel's attempts say it all.
    if (handsFree())
        tell([&](LineSink &sink) { sink.seatingEnded(index, ended); });
}

// The attempt's seating, and the unit it belongs to: one by id over the whole run, or the
// seating alone where it has none.
void ProductionLine::countUnit(int index, const PanelAttempt &attempt)
{
    Seating &seating = *m_stations[index].seating;
    const bool passed = attempt.passed();
    if (seating.attempts.isEmpty())
        seating.firstPass = passed;
    seating.attempts << attempt.seq;
    seating.outcome = attempt.outcomeWord();

    RunSummary::Units &counts = m_summary.units;
    int &unit = m_unitOfPosition[index];
    if (unit < 0 && !seating.panelId.isEmpty())
        unit = m_unitOfId.value(seating.panelId, -1);
    if (unit < 0) {
        unit = int(m_units.size());
        m_units.push_back({passed, false, false, {}});
        if (!seating.panelId.isEmpty())
            m_unitOfId.insert(seating.panelId, unit);
        ++counts.tried;
        counts.firstPass += passed;
    }
    Unit &u = m_units[unit];
    counts.finalPass += int(passed) - int(u.lastPassed);
    u.lastPassed = passed;
    u.passed = u.passed || passed;
    if (passed && !u.passedAt.contains(index)) {
        u.passedAt << index;
        ++m_summary.positions[index].passedUnits;
    }
}

// An id that has waited too long at a free position is no panel's.
void ProductionLine::expireIds()
{
    for (int i = 0; i < int(m_stations.size()); ++i) {
        Station &s = m_stations[i];
        Port &port = m_ports[i];
        if (s.nextId.isEmpty() || port.freeSince < 0 || m_clock.now() - port.freeSince < m_settings.ids.timeoutMs)
            continue;
        record(i, IdRecord::Bound::Expired, std::exchange(s.nextId, {}));
        port.freeSince = -1;
        changed(i);
    }
}

// --- At Enter ------------------------------------------------------------------------------

void ProductionLine::prompt()
{
    using Prompt = LineSink::Prompt;
    if (m_stations.size() == 1) {
        const Station &s = m_stations.front();
        const Prompt prompt{s.lastExit == ExitCode::Done ? Prompt::Kind::NextPanel : Prompt::Kind::TryAgain, 0, s.panel};
        tell([&](LineSink &sink) { sink.prompted(prompt); });
        return;
    }
    // Several: each position's id in turn (an empty line for none), then Enter.
    const bool anyFailed = std::any_of(m_stations.begin(), m_stations.end(), [](const Station &s) {
        return s.state != State::Finished && s.lastExit != ExitCode::Done;
    });
    const Prompt prompt{anyFailed ? Prompt::Kind::NextPanelsTryAgain : Prompt::Kind::NextPanels};
    tell([&](LineSink &sink) { sink.prompted(prompt); });
    askId(0);
}

// The id of the next position from `from` on that takes a panel this round; after the last,
// Enter.
void ProductionLine::askId(int from)
{
    using Prompt = LineSink::Prompt;
    m_asking = -1;
    for (int i = from; i < int(m_stations.size()) && m_asking < 0; ++i)
        if (m_stations[i].state != State::Finished && !countReached(i))
            m_asking = i;
    const Prompt prompt{m_asking >= 0 ? Prompt::Kind::PanelId : Prompt::Kind::Enter, m_asking,
                        m_asking >= 0 ? m_stations[m_asking].panel : 0};
    tell([&](LineSink &sink) { sink.prompted(prompt); });
}

void ProductionLine::enter(const QString &id)
{
    if (m_finished)
        return;
    if (m_stations.size() == 1) {
        // What was typed or scanned before Enter is the id of the panel now programmed.
        m_stations.front().panelId = id;
        tell([&](LineSink &sink) { sink.idRead(0, id); });
        startRound();
        return;
    }
    if (m_asking >= 0) {
        const int asked = m_asking;
        m_stations[asked].panelId = id;
        tell([&](LineSink &sink) { sink.idRead(asked, id); });
        changed(asked);
        askId(asked + 1);
        return;
    }
    startRound();
}

void ProductionLine::endSeries()
{
    finish();
}

// --- The end -------------------------------------------------------------------------------

// After each change of state: the next prompt, or the end once nothing is under way.
void ProductionLine::settle()
{
    if (m_finished)
        return;
    const auto all = [this](auto predicate) { return std::all_of(m_stations.begin(), m_stations.end(), predicate); };
    if (handsFree() || m_interrupted || m_stopping) {
        if (all([](const Station &s) { return s.state == State::Finished; }))
            finish();
        return;
    }
    if (!all([](const Station &s) { return s.state != State::Transferring; }))
        return;
    if (!m_settings.series() || m_recordFailed || all([](const Station &s) { return s.state == State::Finished; }))
        finish();
    else
        prompt();
}

void ProductionLine::finish()
{
    if (m_finished)
        return;
    m_finished = true;
    for (Port &p : m_ports)
        if (p.poller)
            p.poller->stop();
    if (m_expiry)
        m_expiry->stop();
    // What the run leaves: the panels still seated, and the ids no panel took.
    for (int i = 0; i < int(m_stations.size()); ++i) {
        endSeating(i, std::nullopt);
        if (!m_stations[i].nextId.isEmpty())
            record(i, IdRecord::Bound::Expired, std::exchange(m_stations[i].nextId, {}));
    }
    const RunSummary counted = summary();
    tell([&](LineSink &sink) { sink.runEnded(counted); });
    m_loop.quit();
    emit ended();
}
