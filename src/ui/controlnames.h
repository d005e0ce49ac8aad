#pragma once

#include "model/selectortables.h"

#include <array>

// The window's names for the controls of each item and intensity of the form model.
struct ItemControls
{
    const char *moduleList;
    const char *channelList;
    const char *designationBox; // nullptr for the backlight and the dimming input
};

// In the order of assignmentItems.
inline constexpr std::array<ItemControls, 14> itemControls = {{
    {"List1", "List2", "Text3"},    {"List3", "List4", "Text4"},    {"List5", "List6", "Text5"},
    {"List7", "List8", "Text6"},    {"List9", "List10", "Text7"},   {"List11", "List12", "Text8"},
    {"List21", "List22", "Text13"}, {"List23", "List24", "Text14"}, {"List25", "List26", "Text15"},
    {"List27", "List28", "Text16"}, {"List29", "List30", "Text17"}, {"List31", "List32", "Text18"},
    {"List41", "List42", nullptr},  {"List43", "List44", nullptr},
}};

struct IntensityControls
{
    const char *list;
    const char *label;
};

// In the order of intensityItems: backlighting, indicator, dimmed.
inline constexpr std::array<IntensityControls, 3> intensityControls = {{
    {"List45", "Label15"},
    {"List49", "Label17"},
    {"List46", "Label16"},
}};

// The six item captions of the grid.
inline constexpr std::array<const char *, 6> itemLabels = {"Label2", "Label3", "Label4", "Label5", "Label8", "Label9"};
