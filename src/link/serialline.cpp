#include "serialline.h"

#include <QFileInfo>

namespace {
constexpr qsizetype shortLength = 24;
}

QString SerialLine::shortName(const QString &portName)
{
    if (portName.size() <= shortLength)
        return portName;
    const QString target = QFileInfo(portName).canonicalFilePath();
    if (!target.isEmpty() && target.size() <= shortLength)
        return target;
    return QStringLiteral("...") + portName.right(shortLength - 3); // the end tells adapters apart
}
