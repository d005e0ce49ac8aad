#include "selectortables.h"

const std::array<ListEntry, 17> moduleList = {{
    {"N/A", 160}, {"A", 0},   {"B", 10},  {"C", 20},  {"D", 30},  {"E", 40},
    {"F", 50},    {"G", 60},  {"H", 70},  {"I", 80},  {"J", 90},  {"K", 100},
    {"L", 110},   {"M", 120}, {"N", 130}, {"O", 140}, {"P", 150},
}};

const std::array<ListEntry, 10> channelList = {{
    {"1", 0}, {"2", 1}, {"3", 2}, {"4", 3}, {"5", 4},
    {"6", 5}, {"7", 6}, {"8", 7}, {"9", 8}, {"10", 9},
}};

const std::array<ListEntry, 8> intensityList = {{
    {"100", 10}, {"90", 7}, {"80", 6}, {"70", 5}, {"60", 4}, {"50", 3}, {"40", 2}, {"30", 1},
}};

#define GRID_ITEM(f)                                                                               \
    {&PanelConfig::f, &PanelConfig::f##m, &PanelConfig::f##c, &PanelConfig::f##w,             \
     &PanelConfig::f##desig, true, -1}

const std::array<AssignmentItem, 14> assignmentItems = {{
    GRID_ITEM(s1),
    GRID_ITEM(s2),
    GRID_ITEM(s3),
    GRID_ITEM(s4),
    GRID_ITEM(s5),
    GRID_ITEM(s6),
    GRID_ITEM(led1),
    GRID_ITEM(led2),
    GRID_ITEM(led3),
    GRID_ITEM(led4),
    GRID_ITEM(led5),
    GRID_ITEM(led6),
    {&PanelConfig::bl, &PanelConfig::blm, &PanelConfig::blc, &PanelConfig::bl, nullptr, true,
     Backlighting},
    {&PanelConfig::dimch, &PanelConfig::dimchm, &PanelConfig::dimchc, &PanelConfig::dimch, nullptr,
     false, Dimmed},
}};

#undef GRID_ITEM

const std::array<IntensityItem, 3> intensityItems = {{
    {&PanelConfig::blpercent},
    {&PanelConfig::indpercent},
    {&PanelConfig::dindpercent},
}};

CodePositions split_code(qint16 code, qint16 leftoverChannel)
{
    if (code > 159)
        return {0, leftoverChannel};
    if (code < 10)
        return {1, code};
    return {qint16(1 + code / 10), qint16(code % 10)};
}

int intensityPosition(int code)
{
    if (code >= 1 && code <= 7)
        return 8 - code;
    return code == 10 ? 0 : -1;
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
