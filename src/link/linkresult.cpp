#include "linkresult.h"

QString LinkResult::printable(const QByteArray &bytes)
{
    QString text;
    for (const char c : bytes) {
        const auto byte = uchar(c);
        if (byte >= 0x20 && byte < 0x7f && byte != '\\')
            text += QLatin1Char(c);
        else
            text += QStringLiteral("\\x%1").arg(byte, 2, 16, QLatin1Char('0'));
    }
    return text;
}
