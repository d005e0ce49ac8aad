#include "selectortables.h"

CodePositions split_code(qint16 code, qint16 leftoverChannel)
{
    if (code > 159)
        return {0, leftoverChannel};
    if (code < 10)
        return {1, code};
    return {qint16(1 + code / 10), qint16(code % 10)};
}

std::optional<qint16> codeAt(int modulePosition, int channelPosition)
{
    if (modulePosition == 0)
        return moduleList[0].value;
    if (modulePosition < 0 || channelPosition < 0)
        return std::nullopt;
    return qint16(moduleList[modulePosition].value + channelList[channelPosition].value);
}

int intensityPosition(int code)
{
    if (code >= 1 && code <= 7)
        return 8 - code;
    return code == 10 ? 0 : -1;
}

bool isListedCode(int address, qint16 code)
{
    return PanelConfiguration::isItem(address) ? code >= 0 && code <= notAssigned : intensityPosition(code) >= 0;
}

QString describeByte(int address, qint16 code)
{
    if (!PanelConfiguration::isItem(address)) {
        const int position = intensityPosition(code);
        if (position >= 0)
            return QStringLiteral("%1 %").arg(QLatin1String(intensityList[position].text));
        return QStringLiteral("100 % (code %1)").arg(code);
    }
    if (code >= 0 && code < notAssigned)
        return QStringLiteral("module %1 channel %2")
            .arg(QLatin1String(moduleList[code / 10 + 1].text), QLatin1String(channelList[code % 10].text));
    return code == notAssigned ? QStringLiteral("N/A") : QStringLiteral("N/A (code %1)").arg(code);
}
