#include "bytetrace.h"

#include <QDateTime>

ByteTrace::ByteTrace(const QString &fileName)
    : m_fileName(fileName)
{
}

void ByteTrace::event(const QString &text)
{
    if (enabled())
        append(QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz"))
               + QStringLiteral("  ") + text + QLatin1Char('\n'));
}

void ByteTrace::chunk(char direction, const QByteArray &bytes)
{
    if (!enabled() || bytes.isEmpty())
        return;
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz"));
    QString lines;
    for (qsizetype i = 0; i < bytes.size(); i += 16)
        lines += stamp + QStringLiteral("  ") + format(direction, bytes.mid(i, 16)) + QLatin1Char('\n');
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
    QFile file(m_fileName);
    if (file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text))
        file.write(lines.toUtf8());
}
