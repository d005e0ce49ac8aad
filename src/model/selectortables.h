#pragma once

#include "config/panelconfiguration.h"
#include "panelconfig.h"

#include <array>
#include <optional>

// The fixed contents of the three kinds of selector, which selector serves which item,
// and the fields of the record each item uses.

struct ListEntry
{
    const char *text;
    qint16 value;
};

// Module list: "N/A" (160) at position 0, then "A".."P" with codes 0, 10, .., 150.
inline constexpr std::array moduleList = {
    ListEntry{"N/A", 160}, ListEntry{"A", 0},   ListEntry{"B", 10},  ListEntry{"C", 20},  ListEntry{"D", 30},
    ListEntry{"E", 40},    ListEntry{"F", 50},  ListEntry{"G", 60},  ListEntry{"H", 70},  ListEntry{"I", 80},
    ListEntry{"J", 90},    ListEntry{"K", 100}, ListEntry{"L", 110}, ListEntry{"M", 120}, ListEntry{"N", 130},
    ListEntry{"O", 140},   ListEntry{"P", 150},
};
// Channel list: "1".."10" with codes 0..9.
inline constexpr std::array channelList = {
    ListEntry{"1", 0}, ListEntry{"2", 1}, ListEntry{"3", 2}, ListEntry{"4", 3}, ListEntry{"5", 4},
    ListEntry{"6", 5}, ListEntry{"7", 6}, ListEntry{"8", 7}, ListEntry{"9", 8}, ListEntry{"10", 9},
};
// Intensity list: "100" (10), then "90".."30" with codes 7..1.
inline constexpr std::array intensityList = {
    ListEntry{"100", 10}, ListEntry{"90", 7}, ListEntry{"80", 6}, ListEntry{"70", 5},
    ListEntry{"60", 4},   ListEntry{"50", 3}, ListEntry{"40", 2}, ListEntry{"30", 1},
};

using CodeField = qint16 PanelConfig::*;
using Intensity = PanelConfiguration::Intensity;
inline constexpr Intensity Backlighting = PanelConfiguration::Backlighting;
inline constexpr Intensity Indicator = PanelConfiguration::Indicator;
inline constexpr Intensity Dimmed = PanelConfiguration::Dimmed;

struct AssignmentItem
{
    CodeField selected;         // selected code
    CodeField moduleCode;
    CodeField channelCode;
    CodeField writeValue;       // bl and dimch serve as selected code and write value
    bool channelHandler;        // the dimming channel selector has no handler
    // The intensity selector (with its caption) that follows the channel selector's
    // visibility: the backlighting's for the backlight, the dimmed one's for the dimming
    // input; -1 for the switches and LEDs.
    int follower;
};

#define DURVEX_GRID_ITEM(f) \
    AssignmentItem { &PanelConfig::f, &PanelConfig::f##m, &PanelConfig::f##c, &PanelConfig::f##w, true, -1 }

// The record's fields of each item, in the order of ConfigItems::rows.
inline constexpr std::array<AssignmentItem, ConfigItems::itemCount> assignmentItems = {
    DURVEX_GRID_ITEM(s1),   DURVEX_GRID_ITEM(s2),   DURVEX_GRID_ITEM(s3),   DURVEX_GRID_ITEM(s4),
    DURVEX_GRID_ITEM(s5),   DURVEX_GRID_ITEM(s6),   DURVEX_GRID_ITEM(led1), DURVEX_GRID_ITEM(led2),
    DURVEX_GRID_ITEM(led3), DURVEX_GRID_ITEM(led4), DURVEX_GRID_ITEM(led5), DURVEX_GRID_ITEM(led6),
    AssignmentItem{&PanelConfig::bl, &PanelConfig::blm, &PanelConfig::blc, &PanelConfig::bl, true, Backlighting},
    AssignmentItem{&PanelConfig::dimch, &PanelConfig::dimchm, &PanelConfig::dimchc, &PanelConfig::dimch, false, Dimmed},
};

#undef DURVEX_GRID_ITEM

// The intensity codes of the record, in the order of Intensity.
inline constexpr std::array<CodeField, ConfigItems::intensityCount> intensityCodes = {
    &PanelConfig::blpercent, &PanelConfig::indpercent, &PanelConfig::dindpercent};

// The record's table lines up with the items: the grid's items keep their codes apart, the
// backlight and the dimming input in one field each, which the intensity they carry follows.
namespace SelectorTablesCheck {
constexpr bool linedUp()
{
    for (int i = 0; i < ConfigItems::itemCount; ++i) {
        const AssignmentItem &item = assignmentItems[i];
        const ConfigItems::Kind kind = ConfigItems::rows[i].kind;
        const bool grid = kind == ConfigItems::Kind::Switch || kind == ConfigItems::Kind::Led;
        if (grid != (item.selected != item.writeValue) || grid != (item.follower < 0))
            return false;
        if (item.channelHandler != (kind != ConfigItems::Kind::Dimming))
            return false;
    }
    return assignmentItems[ConfigItems::backlightItem].follower == Backlighting
        && assignmentItems[ConfigItems::dimmingItem].follower == Dimmed;
}
static_assert(linedUp());
} // namespace SelectorTablesCheck

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

// The address code the positions of a module and a channel selector show: 160 for "N/A"
// whatever the channel; nothing while the module, or the channel of a module, is not picked.
std::optional<qint16> codeAt(int modulePosition, int channelPosition);

// A configuration byte as the window shows it: "module E channel 6", "N/A", "90 %"; a code
// with no entry says so beside what the window shows for it.
QString describeByte(int address, qint16 code);

// Position of an intensity code in the intensity list, or -1 for a code with no entry.
int intensityPosition(int code);

// Whether a code has an entry in the list of the selector at its address: 0..160 for an
// item (160 is N/A), one of the intensity list's for an intensity.
bool isListedCode(int address, qint16 code);
