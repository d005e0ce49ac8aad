#pragma once

#include "config/panelconfiguration.h"
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
    CodeField selected;         // selected code
    CodeField moduleCode;
    CodeField channelCode;
    CodeField writeValue;       // bl and dimch serve as selected code and write value
    TextField designation;      // nullptr where there is no designation box
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
    CodeField code;
};

// Backlighting, indicator, dimmed, as PanelConfiguration::Intensity numbers them.
extern const std::array<IntensityItem, 3> intensityItems;
using Intensity = PanelConfiguration::Intensity;
inline constexpr Intensity Backlighting = PanelConfiguration::Backlighting;
inline constexpr Intensity Indicator = PanelConfiguration::Indicator;
inline constexpr Intensity Dimmed = PanelConfiguration::Dimmed;

inline constexpr qint16 notAssigned = 160;

// The module and channel positions that show an address code.
struct CodePositions
{
    qint16 module;
    qint16 channel;
};
// For codes of 160 and above the module is "N/A" and the channel is the one given: the
// one left over from the previous split, which the form keeps. A negative code gives
// module position 1 and its own value as the channel.
CodePositions split_code(qint16 code, qint16 leftoverChannel);

// A configuration byte as the window shows it: "module E channel 6", "N/A", "90 %"; a code
// with no entry says so beside what the window shows for it.
QString describeByte(int address, qint16 code);

// Position of an intensity code in the intensity list, or -1 for a code with no entry.
int intensityPosition(int code);
