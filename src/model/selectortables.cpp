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

#define GRID_ITEM(name, f, flag)                                                                   \
    {name, &PanelConfig::f, &PanelConfig::f##m, &PanelConfig::f##c, &PanelConfig::f##w,             \
     &PanelConfig::f##desig, flag, true, -1}

const std::array<AssignmentItem, 14> assignmentItems = {{
    GRID_ITEM("SW1", s1, 1),
    GRID_ITEM("SW2", s2, 1),
    GRID_ITEM("SW3", s3, 1),
    GRID_ITEM("SW4", s4, 1),
    GRID_ITEM("SW5", s5, 1),
    GRID_ITEM("SW6", s6, 1),
    GRID_ITEM("LED1", led1, 2),
    GRID_ITEM("LED2", led2, 2),
    GRID_ITEM("LED3", led3, 2),
    GRID_ITEM("LED4", led4, 2),
    GRID_ITEM("LED5", led5, 2),
    GRID_ITEM("LED6", led6, 2),
    {"BACKLIGHT", &PanelConfig::bl, &PanelConfig::blm, &PanelConfig::blc, &PanelConfig::bl, nullptr, 2, true,
     Backlighting},
    {"DIMMING", &PanelConfig::dimch, &PanelConfig::dimchm, &PanelConfig::dimchc, &PanelConfig::dimch, nullptr, 2,
     false, Dimmed},
}};

#undef GRID_ITEM

const std::array<IntensityItem, 3> intensityItems = {{
    {"NORMAL BACKLIGHTING (%)", &PanelConfig::blpercent, 14},
    {"NORMAL INDICATOR (%)", &PanelConfig::indpercent, 15},
    {"DIMMED BACKLIGHTING AND INDICATOR (%)", &PanelConfig::dindpercent, 16},
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
