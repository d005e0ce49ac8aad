#include "bytetrace.h"

#include "platform/regularfile.h"
#include "platform/warnings.h"

#include <QDateTime>

#include <cerrno>
#include <cstdio>

namespace {
QString timestamp()
{
    return QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz"));
}
} // namespace

ByteTrace::ByteTrace(const QString &fileName)
    : m_fileName(fileName)
{
}

void ByteTrace::begin(const QString &text)
{
    m_receivedAllowance = receivedLimit;
    event(text);
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
    if (bytes.size() <= m_receivedAllowance) {
        m_receivedAllowance -= bytes.size();
        chunk('<', bytes);
        return;
    }
    chunk('<', bytes.left(m_receivedAllowance));
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
    return QStringLiteral("%1  %2 %3").arg(QLatin1Char(direction)).arg(hex, -48).arg(text);
}

void ByteTrace::append(const QString &lines)
{
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
