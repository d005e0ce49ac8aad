#include "boardsink.h"

#include "cli/argumenttext.h"
#include "cli/progressboard.h"
#include "line/productionline.h"
#include "platform/exitcode.h"
#include "session/statustexts.h"

using StatusTexts::Direction;
using Kind = PositionState::Kind;
using State = ProductionLine::State;

BoardSink::BoardSink(const ProductionLine &line, ProgressBoard &board, bool jsonOut)
    : m_line(line)
    , m_board(board)
    , m_jsonOut(jsonOut)
    , m_echoes(line.positions())
{
    QStringList labels;
    for (int i = 0; i < line.positions(); ++i)
        labels << line.station(i).label;
    m_board.setPositions(labels, line.settings().series() || line.positions() > 1);
}

QString BoardSink::seriesLine(int index, const QString &text) const
{
    return m_board.several() ? text : m_line.station(index).label + QStringLiteral(": ") + text;
}

void BoardSink::positionChanged(const PositionChange &change)
{
    const int index = change.position;
    const ProductionLine::Station &s = m_line.station(index);
    const LineSettings &settings = m_line.settings();
    showRow(index);
    if (change.after) {
        if (!settings.series())
            return;
        const bool succeeded = change.after->exitCode == ExitCode::Done;
        const QString line = succeeded ? (change.after->unchanged ? QStringLiteral("PANEL %1: UNCHANGED")
                                                                  : QStringLiteral("PANEL %1: PROGRAMMED"))
                                             .arg(change.panel)
                                       : QStringLiteral("PANEL %1: FAILED - %2").arg(QString::number(change.panel), change.outcomeText);
        m_board.sayOn(index, {seriesLine(index, line)}, !succeeded);
        if (!succeeded)
            m_board.bell();
        return;
    }
    if (!change.stateChanged)
        return;
    switch (change.state.kind) {
    case Kind::Programming:
        if (change.state.byte < 0)
            showStatus(index, StatusTexts::starting(settings.work.reading() ? Direction::Read : Direction::Write), QString());
        break;
    case Kind::PortNotFound:
        m_board.say(s.label + QStringLiteral(": ") + s.shown.text(s.port, true, settings.work.reading()), true);
        break;
    case Kind::Waiting:
        if (settings.handsFree())
            m_board.sayOn(index, {seriesLine(index, QStringLiteral("WAITING FOR PANEL %1").arg(change.panel))});
        break;
    case Kind::Stopped:
        m_board.sayOn(index, {QStringLiteral("CHECK FIXTURE: %1 REJECTS IN A ROW, THIS POSITION HAS STOPPED")
                                  .arg(settings.stopAfterFailures)},
                      true);
        m_board.bell();
        break;
    default:
        break;
    }
}

// What becomes of an id that the operator should hear of: one that will not be used.
void BoardSink::idRecorded(int position, const IdRecord &record)
{
    using Bound = IdRecord::Bound;
    using Refusal = IdRecord::Refusal;
    static const struct
    {
        Bound bound;
        Refusal refusal;
        const char *text; // %1 the position, %2 the id
    } said[] = {
        {Bound::Replaced, Refusal::None, "%1: id %2 replaced by a later scan"},
        {Bound::Expired, Refusal::None, "%1: id %2 expired: no panel arrived for it"},
        {Bound::Refused, Refusal::Pattern, "%1: id %2 refused: it does not match --id-pattern"},
        {Bound::Refused, Refusal::Duplicate, "%1: id %2 refused: it has passed already in this run"},
    };
    for (const auto &s : said) {
        if (s.bound == record.bound && s.refusal == record.refusal) {
            m_board.say(QString::fromLatin1(s.text).arg(m_line.station(position).label, ArgumentText::shown(record.panelId)),
                        record.bound == Bound::Refused);
            return;
        }
    }
    showRow(position);
}

void BoardSink::attemptStarted(int position, int panel)
{
    if (m_line.settings().series())
        m_board.sayOn(position, {seriesLine(position, QStringLiteral("PANEL %1: WRITING").arg(panel))});
}

void BoardSink::showRow(int index)
{
    const ProductionLine::Station &s = m_line.station(index);
    const LineSettings &settings = m_line.settings();
    const RunSummary now = m_line.summary();
    const RunSummary::Position counts = now.positions.value(index);
    // Hands-free, a row shows the id scanned for the next panel until that panel is under way.
    const bool underWay = s.state == State::Transferring;
    const QString id = settings.handsFree() && !underWay && !s.nextId.isEmpty() ? QStringLiteral("NEXT ") + s.nextId
                       : settings.series()                                     ? s.panelId
                                                                               : QString();
    m_board.show(index, s.shown.text(s.port, settings.handsFree(), settings.work.reading()), s.shown.colour(),
                 counts.programmed, counts.failed, id);
    m_board.setTotals(now.totals());
}

// The position's status line: the lines it adds scroll, except that on a terminal with a
// board the progress shows in the position's row alone and only outcomes scroll.
void BoardSink::showStatus(int index, const QString &text, const QString &detail, bool failure)
{
    StatusEcho &echo = m_echoes[index];
    const bool series = m_line.settings().series();
    const QStringList lines = echo.update(text, detail.isEmpty() ? text : detail);
    if (!m_board.several() && !series)
        m_board.setStatus(index, echo.text());
    if (lines.isEmpty()
        || (m_board.terminal() && (m_board.several() || series) && m_line.station(index).state == State::Transferring))
        return;
    m_board.sayOn(index, lines, failure);
}

void BoardSink::byteStarting(int position, int address)
{
    if (!m_board.several() && !m_line.settings().series())
        m_board.progress(position, address, m_echoes[position].text());
}

void BoardSink::byteDone(int position, int, const LinkResult &, const QString &status)
{
    // Said by the transfer as the byte ended; the status line repeats it.
    if (!status.isEmpty())
        showStatus(position, status, QString());
}

void BoardSink::modelRefused(int position, qint16)
{
    const Direction direction = m_line.settings().work.reading() ? Direction::Read : Direction::Write;
    m_board.sayOn(position,
                  {StatusTexts::mismatchTitle() + QStringLiteral(": ") + StatusTexts::mismatchText(direction)}, true);
}

void BoardSink::transferEnded(int position, const TransferOutcome &outcome,
                              const std::optional<StatusTexts::Report> &status)
{
    m_board.endProgress(position);
    if (status)
        showStatus(position, status->text, status->detail, !outcome.done());
}

bool BoardSink::attemptEnded(const AttemptEnd &end)
{
    const int index = end.position;
    // A verify's comparison: standard output carries it, unless it carries JSON alone.
    if (end.attempt.differences) {
        const QStringList lines = end.attempt.detail.split(QLatin1Char('\n'));
        if (m_jsonOut) {
            m_board.sayOn(index, lines, !end.attempt.differences->isEmpty());
        } else {
            const QString &label = m_line.station(index).label;
            for (const QString &line : lines)
                m_board.print((m_board.several() ? label + QStringLiteral(": ") + line : line).toUtf8());
        }
    }
    return true;
}

void BoardSink::runEnded(const RunSummary &summary)
{
    const bool several = m_board.several();
    m_board.setPositions({});
    if (several)
        printTable(summary);
}

void BoardSink::printTable(const RunSummary &summary)
{
    qsizetype width = 8;
    for (int i = 0; i < m_line.positions(); ++i)
        width = std::max(width, m_line.station(i).label.size());
    const auto row = [&](const QString &label, const QString &counts, const QString &outcome, const QString &detail) {
        m_board.say(QStringLiteral("%1  %2%3  %4").arg(label.leftJustified(width), counts, outcome.leftJustified(14), detail));
    };
    const bool series = m_line.settings().series();
    row(QStringLiteral("POSITION"), series ? QStringLiteral("PROGRAMMED  FAILED  ") : QString(), QStringLiteral("OUTCOME"),
        QStringLiteral("DETAIL"));
    for (int i = 0; i < m_line.positions(); ++i) {
        const ProductionLine::Station &s = m_line.station(i);
        const RunSummary::Position counts = summary.positions.value(i);
        const QString shownCounts =
            series ? QStringLiteral("%1  %2  ").arg(counts.programmed, -10).arg(counts.failed, -6) : QString();
        // A position that never tried a panel says why: its port, or that none came.
        const QString outcome = s.lastExit < 0 ? s.shown.eventName() : s.lastOutcome;
        const QString detail = s.lastExit < 0 ? s.shown.text(s.port, false, m_line.settings().work.reading()) : s.lastDetail;
        row(s.label, shownCounts, outcome, detail);
    }
}
