#pragma once

#include "model/selectortables.h"

#include <array>
#include <string_view>

// The window's names for the controls of each item and intensity of the form model.
struct ItemControls
{
    const char *moduleList;
    const char *channelList;
    const char *designationBox; // nullptr for the backlight and the dimming input
    const char *spokenName;     // what a screen reader calls the item: "SW1 module", "Backlight channel"
};

// In the order of ConfigItems::rows; the grid's items (SW1..SW6, then LED1..LED6) are also in
// the reading order of the picture, top row first, left before right.
inline constexpr std::array<ItemControls, ConfigItems::itemCount> itemControls = {{
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

// In the order of ConfigItems::Intensity: backlighting, indicator, dimmed.
inline constexpr std::array<IntensityControls, ConfigItems::intensityCount> intensityControls = {{
    {"List45", "Label15", "Normal backlighting intensity"},
    {"List49", "Label17", "Normal indicator intensity"},
    {"List46", "Label16", "Dimmed intensity"},
}};

// The intensity selectors as the frame shows them, top to bottom (indices of intensityControls).
inline constexpr std::array<int, ConfigItems::intensityCount> intensitiesTopDown = [] {
    std::array<int, ConfigItems::intensityCount> order{};
    for (int k = 0; k < ConfigItems::intensityCount; ++k)
        order[k] = ConfigItems::intensityInFileOrder(k);
    return order;
}();

// The controls above the grid, in the order the keyboard visits them: the view buttons
// (Tab reaches the selected one, the arrow keys the other), the port, the five commands and
// the status line.
inline constexpr std::array<const char *, 9> commandControls = {
    "Option1", "Option2", "Combo1", "READ_FILE", "WRITE_FILE", "READ_CONFIG", "WRITE_CONFIG", "COMPARE_CONFIG", "Text1"};

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

// The six item captions of the grid: a switch and the LED below it share a place.
inline constexpr std::array<const char *, ConfigItems::switchCount> itemLabels = {"Label2", "Label3", "Label4",
                                                                                 "Label5", "Label8", "Label9"};

// The names line up with the items: a designation box for each switch and LED alone, and
// each spoken name is the item table's name of its row, read out as words.
namespace ControlNamesCheck {
constexpr char upper(char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c; }
constexpr bool sameWord(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (upper(a[i]) != upper(b[i]))
            return false;
    return true;
}
constexpr std::string_view firstWord(std::string_view text) { return text.substr(0, text.find(' ')); }
constexpr std::string_view afterFirstWord(std::string_view text)
{
    const std::size_t blank = text.find(' ');
    return blank == std::string_view::npos ? std::string_view() : text.substr(blank + 1);
}
// The spoken name starts with the row's first word, and every word of it but those that say
// what kind of thing it is ("input", "intensity") is a word of the row's name, case aside.
constexpr bool speaks(std::string_view spoken, std::string_view row)
{
    if (!sameWord(firstWord(spoken), firstWord(row)))
        return false;
    for (std::string_view rest = spoken; !rest.empty(); rest = afterFirstWord(rest)) {
        const std::string_view word = firstWord(rest);
        bool found = sameWord(word, "input") || sameWord(word, "intensity");
        for (std::string_view name = row; !found && !name.empty(); name = afterFirstWord(name))
            found = sameWord(word, firstWord(name));
        if (!found)
            return false;
    }
    return true;
}
constexpr bool linedUp()
{
    for (int i = 0; i < ConfigItems::itemCount; ++i)
        if ((itemControls[i].designationBox != nullptr) != ConfigItems::hasDesignation(i)
            || !speaks(itemControls[i].spokenName, ConfigItems::rows[i].name))
            return false;
    for (int k = 0; k < ConfigItems::intensityCount; ++k)
        if (!speaks(intensityControls[k].spokenName,
                    ConfigItems::rows[ConfigItems::intensityAddress(ConfigItems::Intensity(k))].name))
            return false;
    return ConfigItems::switchCount == ConfigItems::ledCount;
}
static_assert(linedUp(), "control names and spoken names in the order of the item table");
static_assert(!speaks("LED2", "LED1") && !speaks("Normal indicator intensity", "NORMAL BACKLIGHTING (%)"));
} // namespace ControlNamesCheck
