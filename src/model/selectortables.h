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
    const char *name;           // "SW1", "LED1", "BACKLIGHT", "DIMMING": also the item's caption
    CodeField selected;         // selected code
    CodeField moduleCode;
    CodeField channelCode;
    CodeField writeValue;       // bl and dimch serve as selected code and write value
    TextField designation;      // nullptr where there is no designation box
    qint16 incompleteFlag;      // error_flag value when the item is incomplete at gathering
    bool channelHandler;        // the dimming channel selector has no handler
    // The intensity selector (with its caption) that follows the channel selector's
    // visibility: the backlighting's for the backlight, the dimmed one's for the dimming
    // input; -1 for the switches and LEDs.
    int follower;
};

// The fourteen items in the order of the memory map (addresses 0..13), of the gathering
// and of the file record.
extern const std::array<AssignmentItem, 14> assignmentItems;
inline constexpr int switchCount = 6;   // items 0..5 are the switches
inline constexpr int gridItemCount = 12; // items 0..11 have designation boxes

struct IntensityItem
{
    const char *caption; // the label beside the selector, also the item's text in a file
    CodeField code;
    int address;
};

// Backlighting, indicator, dimmed: memory map order, 14..16.
extern const std::array<IntensityItem, 3> intensityItems;
enum Intensity { Backlighting = 0, Indicator = 1, Dimmed = 2 };

inline constexpr int modelAddress = 63;
inline constexpr qint16 notAssigned = 160;

// Module and channel positions of the address code in A, left in m_index and c_index.
// For codes of 160 and above only m_index changes: c_index and A keep their old values.
void split_code(PanelConfig &cfg);

// Position of an intensity code in the intensity list, or -1 for a code with no entry.
int intensityPosition(int code);
