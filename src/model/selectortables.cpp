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

#define GRID_ITEM(name, mod, chan, box, f, flag)                                                   \
    {name, mod, chan, box, &PanelConfig::f, &PanelConfig::f##m, &PanelConfig::f##c,                \
     &PanelConfig::f##w, &PanelConfig::f##desig, flag, true, {nullptr, nullptr}}

const std::array<AssignmentItem, 14> assignmentItems = {{
    GRID_ITEM("SW1", "List1", "List2", "Text3", s1, 1),
    GRID_ITEM("SW2", "List3", "List4", "Text4", s2, 1),
    GRID_ITEM("SW3", "List5", "List6", "Text5", s3, 1),
    GRID_ITEM("SW4", "List7", "List8", "Text6", s4, 1),
    GRID_ITEM("SW5", "List9", "List10", "Text7", s5, 1),
    GRID_ITEM("SW6", "List11", "List12", "Text8", s6, 1),
    GRID_ITEM("LED1", "List21", "List22", "Text13", led1, 2),
    GRID_ITEM("LED2", "List23", "List24", "Text14", led2, 2),
    GRID_ITEM("LED3", "List25", "List26", "Text15", led3, 2),
    GRID_ITEM("LED4", "List27", "List28", "Text16", led4, 2),
    GRID_ITEM("LED5", "List29", "List30", "Text17", led5, 2),
    GRID_ITEM("LED6", "List31", "List32", "Text18", led6, 2),
    {"BACKLIGHT", "List41", "List42", nullptr, &PanelConfig::bl, &PanelConfig::blm,
     &PanelConfig::blc, &PanelConfig::bl, nullptr, 2, true, {"List45", "Label15"}},
    {"DIMMING", "List43", "List44", nullptr, &PanelConfig::dimch, &PanelConfig::dimchm,
     &PanelConfig::dimchc, &PanelConfig::dimch, nullptr, 2, false, {"List46", "Label16"}},
}};

#undef GRID_ITEM

const std::array<IntensityItem, 3> intensityItems = {{
    {"List45", "Label15", &PanelConfig::blpercent, 14},
    {"List49", "Label17", &PanelConfig::indpercent, 15},
    {"List46", "Label16", &PanelConfig::dindpercent, 16},
}};

void split_code(PanelConfig &cfg)
{
    cfg.m_index = 1;
    if (cfg.A > 159) {
        cfg.m_index = 0;
        return;
    }
    if (cfg.A < 10) {
        cfg.c_index = cfg.A;
        return;
    }
    do {
        cfg.A -= 10;
        cfg.m_index += 1;
        cfg.c_index = cfg.A;
    } while (cfg.A >= 10);
}

int intensityPosition(int code)
{
    if (code >= 1 && code <= 7)
        return 8 - code;
    return code == 10 ? 0 : -1;
}
