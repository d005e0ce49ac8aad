#include "progressboard.h"

#include "config/panelconfiguration.h"
#include "link/serialline.h"
#include "platform/standardstreams.h"
#include "terminalwidth.h"

ProgressBoard::ProgressBoard(std::FILE *err, bool terminal, bool quiet)
    : m_err(err)
    , m_terminal(terminal)
    , m_quiet(quiet)
{
    m_rows.resize(1);
}

void ProgressBoard::setPorts(const QStringList &ports)
{
    clear();
    m_rows.clear();
    for (const QString &port : ports)
        m_rows.append({port, -1, {}});
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

void ProgressBoard::sayOn(int port, const QStringList &lines, bool failure)
{
    if (m_quiet && !failure)
        return;
    for (const QString &line : lines)
        say(several() ? m_rows[port].port + QStringLiteral(": ") + line : line, failure);
}

void ProgressBoard::print(const QByteArray &line)
{
    clear();
    if (QString reason; !StandardStreams::write(stdout, line + '\n', &reason) && m_outputFailure.isEmpty())
        m_outputFailure = reason;
    draw();
    std::fflush(m_err);
}

void ProgressBoard::progress(int port, int byte, const QString &status)
{
    if (m_rows[port].byte == byte && m_rows[port].status == status)
        return;
    m_rows[port].byte = byte;
    m_rows[port].status = status;
    if (!m_terminal || m_quiet)
        return;
    clear();
    draw();
    std::fflush(m_err);
}

void ProgressBoard::setStatus(int port, const QString &status)
{
    progress(port, m_rows[port].byte, status);
}

void ProgressBoard::endProgress(int port)
{
    m_rows[port].byte = -1;
    if (!m_terminal || m_quiet)
        return;
    clear();
    draw();
    std::fflush(m_err);
}

void ProgressBoard::bell()
{
    if (!m_terminal)
        return;
    std::fputs("\a", m_err);
    std::fflush(m_err);
}

QString ProgressBoard::rowText(const Row &row) const
{
    constexpr int width = PanelConfiguration::byteCount;
    QString text;
    if (several())
        text = QStringLiteral("%1  ").arg(SerialLine::shortName(row.port), -12);
    if (row.byte >= 0) {
        const int done = row.byte + 1;
        text += QStringLiteral("[%1%2] byte %3 of %4  ")
                    .arg(QString(done, QLatin1Char('#')), QString(width - done, QLatin1Char('.')))
                    .arg(done, 2)
                    .arg(width);
    }
    return text + row.status.left(40);
}

// The rows are drawn with the cursor left at the end of the last, so that a line said
// next clears them first and they follow it.
void ProgressBoard::draw()
{
    if (!m_terminal || m_quiet)
        return;
    // One port shows its row only while a byte is under way; several show all rows once
    // any has something to show.
    bool shown = false;
    for (const Row &row : std::as_const(m_rows))
        shown = shown || row.byte >= 0 || (several() && !row.status.isEmpty());
    if (!shown)
        return;
    const int columns = TerminalWidth::columns(m_err);
    QStringList rows;
    for (const Row &row : std::as_const(m_rows))
        rows << TerminalWidth::fitted(rowText(row), columns); // a row that wrapped would throw the redraw off
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
