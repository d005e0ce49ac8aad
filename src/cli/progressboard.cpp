#include "progressboard.h"

#include "cli/argumenttext.h"

#include "config/panelconfiguration.h"
#include "platform/standardstreams.h"
#include "terminalwidth.h"

ProgressBoard::ProgressBoard(std::FILE *err, bool terminal, bool quiet, bool colour)
    : m_err(err)
    , m_terminal(terminal)
    , m_quiet(quiet)
    , m_colour(terminal && colour)
    // Black as the 256 colours' own black, bold: many terminals draw bold in colours 0 to 7 one
    // shade brighter, which turns black grey. A terminal of 16 colours gets plain black.
    , m_black(qgetenv("TERM").contains("256color") ? "1;38;5;16" : "30")
{
    m_rows.resize(1);
}

bool ProgressBoard::colourWanted(bool terminal)
{
    const QByteArray term = qgetenv("TERM");
    return terminal && qEnvironmentVariableIsEmpty("NO_COLOR") && !term.isEmpty() && term != "dumb";
}

void ProgressBoard::setPositions(const QStringList &labels, bool fixture)
{
    clear();
    m_rows.clear();
    m_totals.clear();
    m_fixture = fixture && !labels.isEmpty();
    m_labelWidth = 0;
    for (const QString &label : labels) {
        Row row;
        row.label = label;
        m_rows.append(row);
        m_labelWidth = std::max(m_labelWidth, int(label.size()));
    }
    if (m_rows.isEmpty())
        m_rows.resize(1);
}

void ProgressBoard::say(const QString &line, bool failure)
{
    if (m_quiet && !failure)
        return;
    clear();
    std::fprintf(m_err, "%s\n", qPrintable(line));
    draw();
    std::fflush(m_err);
}

void ProgressBoard::sayOn(int position, const QStringList &lines, bool failure)
{
    if (m_quiet && !failure)
        return;
    for (const QString &line : lines)
        say(several() ? m_rows[position].label + QStringLiteral(": ") + line : line, failure);
}

void ProgressBoard::print(const QByteArray &line)
{
    clear();
    if (QString reason; !StandardStreams::write(stdout, line + '\n', &reason) && m_outputFailure.isEmpty())
        m_outputFailure = reason;
    draw();
    std::fflush(m_err);
}

void ProgressBoard::progress(int position, int byte, const QString &status)
{
    Row &row = m_rows[position];
    if (row.byte == byte && row.status == status)
        return;
    row.byte = byte;
    row.status = status;
    redraw();
}

void ProgressBoard::setStatus(int position, const QString &status)
{
    progress(position, m_rows[position].byte, status);
}

void ProgressBoard::endProgress(int position)
{
    m_rows[position].byte = -1;
    redraw();
}

void ProgressBoard::show(int position, const QString &state, PositionState::Colour colour, int programmed, int failed,
                         const QString &panelId)
{
    if (!m_fixture)
        return; // a single write shows its progress alone
    Row &row = m_rows[position];
    if (row.status == state && row.colour == colour && row.programmed == programmed && row.failed == failed
        && row.panelId == panelId)
        return;
    row.status = state;
    row.colour = colour;
    row.programmed = programmed;
    row.failed = failed;
    row.panelId = panelId;
    redraw();
}

void ProgressBoard::setTotals(const QString &totals)
{
    if (std::exchange(m_totals, totals) != totals)
        redraw();
}

void ProgressBoard::bell()
{
    if (!m_terminal)
        return;
    std::fputs("\a", m_err);
    std::fflush(m_err);
}

QString ProgressBoard::fixtureRow(const QString &label, int labelWidth, int programmed, int failed,
                                  const QString &state, const QString &panelId)
{
    QString text = QStringLiteral("%1  %2 PROGRAMMED  %3 FAILED  %4")
                       .arg(label.leftJustified(labelWidth), QString::number(programmed).rightJustified(4),
                            QString::number(failed).rightJustified(3), state);
    // An id is whatever the scanner sent: shown escaped, so that no byte of it drives the
    // operator's terminal (a title, a cleared screen).
    if (!panelId.isEmpty())
        text += QStringLiteral("  ID ") + ArgumentText::shown(panelId);
    return text;
}

QString ProgressBoard::rowText(const Row &row) const
{
    if (m_fixture)
        return fixtureRow(row.label, m_labelWidth, row.programmed, row.failed, row.status, row.panelId);
    constexpr int width = PanelConfiguration::byteCount;
    QString text;
    if (several())
        text = QStringLiteral("%1  ").arg(row.label, -m_labelWidth);
    if (row.byte >= 0) {
        const int done = row.byte + 1;
        text += QStringLiteral("[%1%2] byte %3 of %4  ")
                    .arg(QString(done, QLatin1Char('#')), QString(width - done, QLatin1Char('.')))
                    .arg(done, 2)
                    .arg(width);
    }
    return text + row.status.left(40);
}

void ProgressBoard::redraw()
{
    if (!m_terminal || m_quiet)
        return;
    clear();
    draw();
    std::fflush(m_err);
}

// The rows are drawn with the cursor left at the end of the last, so that a line said
// next clears them first and they follow it.
void ProgressBoard::draw()
{
    if (!m_terminal || m_quiet)
        return;
    // A fixture shows its board throughout; one port shows its row only while a byte is
    // under way, several once any has something to show.
    bool shown = m_fixture;
    for (const Row &row : std::as_const(m_rows))
        shown = shown || row.byte >= 0 || (several() && !row.status.isEmpty());
    if (!shown)
        return;
    const int columns = TerminalWidth::columns(m_err);
    // Bright backgrounds, read from across the line: under way, passed, rejected.
    static constexpr const char *backgrounds[] = {"", "103", "102", "101"};
    QStringList rows;
    for (const Row &row : std::as_const(m_rows)) {
        // A row that wrapped would throw the redraw off; the colour is no part of its width.
        const QString text = TerminalWidth::fitted(rowText(row), columns);
        const char *background = m_colour ? backgrounds[int(row.colour)] : "";
        rows << (*background ? QStringLiteral("\033[%1;%2m").arg(QLatin1String(m_black), QLatin1String(background)) + text
                                   + QStringLiteral("\033[0m")
                             : text);
    }
    if (m_fixture && !m_totals.isEmpty())
        rows << TerminalWidth::fitted(m_totals, columns);
    std::fprintf(m_err, "%s", qPrintable(rows.join(QLatin1Char('\n'))));
    m_drawn = int(rows.size());
}

void ProgressBoard::clear()
{
    if (m_drawn == 0)
        return;
    std::fprintf(m_err, "\r\033[K");
    for (int i = 1; i < m_drawn; ++i)
        std::fprintf(m_err, "\033[A\033[K");
    m_drawn = 0;
    std::fflush(m_err);
}
