#pragma once

#include "panelconfig.h"

#include <array>

// The fixed contents of the three kinds of selector, which selector serves which item,
// and the fields of the record each item uses.

struct ListEntry
{
    const char *text;
    qint16 value;
};

// Module list: "N/A" (160) at position 0, then "A".."P" with codes 0, 10, .., 150.
extern const std::array<ListEntry, 17> moduleList;
// Channel list: "1".."10" with codes 0..9.
extern const std::array<ListEntry, 10> channelList;
// Intensity list: "100" (10), then "90".."30" with codes 7..1.
extern const std::array<ListEntry, 8> intensityList;

using CodeField = qint16 PanelConfig::*;
using TextField = QString PanelConfig::*;

struct AssignmentItem
{
    const char *name;           // "SW1", "LED1", "BACKLIGHT", "DIMMING"
    const char *moduleList;     // module selector
    const char *channelList;    // channel selector
    const char *designationBox; // nullptr for the backlight and the dimming input
    CodeField selected;         // selected code
    CodeField moduleCode;
    CodeField channelCode;
    CodeField writeValue;       // bl and dimch serve as selected code and write value
    TextField designation;      // nullptr where there is no designation box
    qint16 incompleteFlag;      // error_flag value when the item is incomplete at gathering
    bool channelHandler;        // the dimming channel selector has no handler
    // Controls that follow the channel selector's visibility (backlight and dimming only).
    const char *followers[2];
};

// The fourteen items in the order of the memory map (addresses 0..13), of the gathering
// and of the file record.
extern const std::array<AssignmentItem, 14> assignmentItems;
inline constexpr int switchCount = 6;   // items 0..5 are the switches
inline constexpr int gridItemCount = 12; // items 0..11 have designation boxes

struct IntensityItem
{
    const char *list;
    const char *label;
    CodeField code;
    int address;
};

// Backlighting (List45), indicator (List49), dimmed (List46): memory map order, 14..16.
extern const std::array<IntensityItem, 3> intensityItems;

inline constexpr int modelAddress = 63;
inline constexpr qint16 notAssigned = 160;

// Module and channel positions of the address code in A, left in m_index and c_index.
// For codes of 160 and above only m_index changes: c_index and A keep their old values.
void split_code(PanelConfig &cfg);

// Position of an intensity code in the intensity list, or -1 for a code with no entry.
int intensityPosition(int code);
