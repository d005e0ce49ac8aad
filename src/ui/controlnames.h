#pragma once

#include "model/selectortables.h"

#include <array>

// The window's names for the controls of each item and intensity of the form model.
struct ItemControls
{
    const char *moduleList;
    const char *channelList;
    const char *designationBox; // nullptr for the backlight and the dimming input
    const char *spokenName;     // what a screen reader calls the item: "SW1 module", "Backlight channel"
};

// In the order of assignmentItems; the grid's items (SW1..SW6, then LED1..LED6) are also in
// the reading order of the picture, top row first, left before right.
inline constexpr std::array<ItemControls, 14> itemControls = {{
    {"List1", "List2", "Text3", "SW1"},     {"List3", "List4", "Text4", "SW2"},
    {"List5", "List6", "Text5", "SW3"},     {"List7", "List8", "Text6", "SW4"},
    {"List9", "List10", "Text7", "SW5"},    {"List11", "List12", "Text8", "SW6"},
    {"List21", "List22", "Text13", "LED1"}, {"List23", "List24", "Text14", "LED2"},
    {"List25", "List26", "Text15", "LED3"}, {"List27", "List28", "Text16", "LED4"},
    {"List29", "List30", "Text17", "LED5"}, {"List31", "List32", "Text18", "LED6"},
    {"List41", "List42", nullptr, "Backlight"}, {"List43", "List44", nullptr, "Dimming input"},
}};

struct IntensityControls
{
    const char *list;
    const char *label;
    const char *spokenName;
};

// In the order of intensityItems: backlighting, indicator, dimmed.
inline constexpr std::array<IntensityControls, 3> intensityControls = {{
    {"List45", "Label15", "Normal backlighting intensity"},
    {"List49", "Label17", "Normal indicator intensity"},
    {"List46", "Label16", "Dimmed intensity"},
}};

// The intensity selectors as the frame shows them, top to bottom (indices of intensityControls).
inline constexpr std::array<int, 3> intensitiesTopDown = {Indicator, Backlighting, Dimmed};

// The controls above the grid, in the order the keyboard visits them: the view buttons
// (Tab reaches the selected one, the arrow keys the other), the port, the four commands and
// the status line.
inline constexpr std::array<const char *, 8> commandControls = {
    "Option1", "Option2", "Combo1", "READ_FILE", "WRITE_FILE", "READ_CONFIG", "WRITE_CONFIG", "Text1"};

// Labels that name the control beside them.
struct LabelBuddy
{
    const char *label;
    const char *control;
};
inline constexpr std::array<LabelBuddy, 7> labelBuddies = {{
    {"Label6", "Text2"},   {"Label20", "Combo1"}, {"Label19", "List41"}, {"Label1", "List43"},
    {"Label17", "List49"}, {"Label15", "List45"}, {"Label16", "List46"},
}};

// The six item captions of the grid.
inline constexpr std::array<const char *, 6> itemLabels = {"Label2", "Label3", "Label4", "Label5", "Label8", "Label9"};
