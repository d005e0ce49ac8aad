#include "portablename.h"

#include <QRegularExpression>

namespace PortableName {

QString fileName(const QString &name)
{
    QString result = name;
    for (QChar &c : result)
        if (c.unicode() < 0x20 || QStringLiteral("/\\:*?\"<>|").contains(c))
            c = QLatin1Char('-');
    while (result.endsWith(QLatin1Char('.')) || result.endsWith(QLatin1Char(' ')))
        result.chop(1);
    if (result.isEmpty())
        return QStringLiteral("-");

    // Windows opens the device for such a name whatever follows its first dot, and ignores
    // spaces before that dot. It also counts superscript digits as digits here.
    static const QRegularExpression device(
        QStringLiteral("^(CON|PRN|AUX|NUL|COM[1-9\u00b9\u00b2\u00b3]|LPT[1-9\u00b9\u00b2\u00b3]) *(?=\\.|$)"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = device.match(result);
    if (match.hasMatch())
        result.insert(match.capturedEnd(), QLatin1Char('-'));
    return result;
}

} // namespace PortableName
