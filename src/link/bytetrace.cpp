#include "bytetrace.h"

#include "platform/regularfile.h"
#include "platform/warnings.h"

#include <QDateTime>

#include <cerrno>
#include <cstdio>

namespace {
// UTC, as the log and the events have it, so that a trace lines up with them in any zone.
QString timestamp()
{
    return QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs);
}
} // namespace

ByteTrace::ByteTrace(const QString &fileName)
    : m_fileName(fileName)
{
}

void ByteTrace::begin(const QString &text)
{
    m_receivedAllowance = m_polling ? pollReceivedLimit : receivedLimit;
    event(text);
}

void ByteTrace::setPolling(bool polling)
{
    if (m_polling && !polling && m_untraced > 0)
        event(QStringLiteral("%1 MORE BYTES RECEIVED IN THIS POLL, NOT TRACED").arg(m_untraced));
    m_untraced = 0;
    m_polling = polling;
}

void ByteTrace::event(const QString &text)
{
    if (enabled())
        append(stamp() + text + QLatin1Char('\n'));
}

void ByteTrace::received(const QByteArray &bytes)
{
    if (!enabled() || bytes.isEmpty() || m_receivedAllowance < 0)
        return;
    if (m_polling && m_receivedAllowance == 0) {
        m_untraced += bytes.size();
        return;
    }
    if (bytes.size() <= m_receivedAllowance) {
        m_receivedAllowance -= bytes.size();
        chunk('<', bytes);
        return;
    }
    chunk('<', bytes.left(m_receivedAllowance));
    if (m_polling) { // counted, and said once the poll is over
        m_untraced += bytes.size() - m_receivedAllowance;
        m_receivedAllowance = 0;
        return;
    }
    m_receivedAllowance = -1;
    event(QStringLiteral("MORE THAN %1 BYTES RECEIVED IN THIS TRANSFER: THE REST IS NOT TRACED").arg(receivedLimit));
}

QString ByteTrace::stamp() const
{
    return m_label.isEmpty() ? timestamp() + QStringLiteral("  ")
                             : timestamp() + QStringLiteral("  ") + m_label + QStringLiteral("  ");
}

void ByteTrace::chunk(char direction, const QByteArray &bytes)
{
    if (!enabled() || bytes.isEmpty())
        return;
    const QString prefix = stamp();
    QString lines;
    for (qsizetype i = 0; i < bytes.size(); i += 16)
        lines += prefix + format(direction, bytes.mid(i, 16)) + QLatin1Char('\n');
    append(lines);
}

QString ByteTrace::format(char direction, const QByteArray &bytes)
{
    QString hex, text;
    for (char c : bytes) {
        const auto b = quint8(c);
        hex += QStringLiteral("%1 ").arg(b, 2, 16, QLatin1Char('0')).toUpper();
        text += (b >= 0x20 && b < 0x7F) ? QLatin1Char(c) : QLatin1Char('.');
    }
    return QStringLiteral("%1  %2 %3").arg(QString(QLatin1Char(direction)), hex.leftJustified(48), text);
}

void ByteTrace::append(const QString &lines)
{
    if (m_polling) {
        if (m_pollAllowance < 0)
            return;
        m_pollAllowance -= lines.size();
        if (m_pollAllowance < 0) {
            const QString end = stamp() + QStringLiteral("POLLS HAVE WRITTEN %1 BYTES TO THIS TRACE: FURTHER POLLS ARE "
                                                         "NOT TRACED\n").arg(pollLimit);
            m_polling = false; // the last line polls write
            append(end);
            m_polling = true;
            return;
        }
    }
    if (!m_file.isOpen()) {
        const RegularFile::Status status = RegularFile::openForAppending(m_fileName, m_file);
        if (status != RegularFile::Status::Ok) {
            // A FIFO, a device or an unwritable path: say so once and trace nothing.
            Warnings::sayOnce(QStringLiteral("durvex-config: no byte trace: %1 is not a writable regular file")
                                  .arg(m_fileName));
            m_fileName.clear();
            return;
        }
    }
    const QByteArray bytes = lines.toUtf8();
    errno = 0;
    if (m_file.write(bytes) != bytes.size() || !m_file.flush()) {
        const int systemError = errno;
        QString reason = m_file.errorString();
        if (reason.isEmpty() || reason == QLatin1String("Unknown error"))
            reason = qt_error_string(systemError);
        // A full disk: say so once and trace nothing more; the transfer goes on.
        Warnings::sayOnce(QStringLiteral("durvex-config: the byte trace stops here: %1 could not be written: %2")
                              .arg(m_fileName, reason));
        m_fileName.clear();
        m_file.close();
    }
}
