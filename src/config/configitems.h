#pragma once

#include <array>
#include <string_view>

// The seventeen values of a panel configuration, one row each, in the order of the panel's
// memory: the value at address n is row n. The fourteen assignment items come first (the
// switches, the LEDs, the backlight, the dimming input), then the three intensities. Every
// other table that names, counts or orders them derives from this one, or is checked against
// it where it must be written out (the window's control names, the form's record).
namespace ConfigItems {

enum class Kind { Switch, Led, Backlight, Dimming, Intensity };

// The intensities, numbered as their rows stand.
enum Intensity { Backlighting = 0, Indicator = 1, Dimmed = 2 };

struct Row
{
    const char *name; // what the window's captions, the file's labels and the messages call it
    Kind kind;
    int filePair;     // its place among the seventeen text-and-code pairs of a configuration file
};

inline constexpr std::array rows = {
    Row{"SW1", Kind::Switch, 0},
    Row{"SW2", Kind::Switch, 1},
    Row{"SW3", Kind::Switch, 2},
    Row{"SW4", Kind::Switch, 3},
    Row{"SW5", Kind::Switch, 4},
    Row{"SW6", Kind::Switch, 5},
    Row{"LED1", Kind::Led, 6},
    Row{"LED2", Kind::Led, 7},
    Row{"LED3", Kind::Led, 8},
    Row{"LED4", Kind::Led, 9},
    Row{"LED5", Kind::Led, 10},
    Row{"LED6", Kind::Led, 11},
    Row{"BACKLIGHT", Kind::Backlight, 12},
    Row{"DIMMING", Kind::Dimming, 13},
    // A file keeps the intensities in the order the window shows them, top to bottom.
    Row{"NORMAL BACKLIGHTING (%)", Kind::Intensity, 15},
    Row{"NORMAL INDICATOR (%)", Kind::Intensity, 14},
    Row{"DIMMED BACKLIGHTING AND INDICATOR (%)", Kind::Intensity, 16},
};

constexpr int count(Kind kind)
{
    int n = 0;
    for (const Row &row : rows)
        n += row.kind == kind;
    return n;
}

// The first address of a kind (the number of rows where there is none).
constexpr int first(Kind kind)
{
    int address = 0;
    while (address < int(rows.size()) && rows[address].kind != kind)
        ++address;
    return address;
}

inline constexpr int byteCount = int(rows.size());
inline constexpr int switchCount = count(Kind::Switch);
inline constexpr int ledCount = count(Kind::Led);
inline constexpr int designationCount = switchCount + ledCount; // the switches and the LEDs have one
inline constexpr int intensityCount = count(Kind::Intensity);
inline constexpr int itemCount = byteCount - intensityCount;
inline constexpr int backlightItem = first(Kind::Backlight);
inline constexpr int dimmingItem = first(Kind::Dimming);

constexpr bool hasDesignation(int address) { return address < designationCount; }
constexpr bool isItem(int address) { return address < itemCount; }
constexpr int intensityAddress(Intensity intensity) { return itemCount + intensity; }

// The address whose value a file keeps in a pair.
constexpr int addressOfPair(int pair)
{
    int address = 0;
    while (address < int(rows.size()) && rows[address].filePair != pair)
        ++address;
    return address;
}

// The intensities in a file's order, which is the window's, top to bottom: the k-th of them.
constexpr Intensity intensityInFileOrder(int k) { return Intensity(addressOfPair(itemCount + k) - itemCount); }

// The rest of the program counts on this order: ranges of kinds, one address per pair.
namespace check {
constexpr bool kindsInOrder()
{
    for (std::size_t i = 1; i < rows.size(); ++i)
        if (rows[i].kind < rows[i - 1].kind)
            return false;
    return true;
}
constexpr bool pairsArePlaces()
{
    for (int pair = 0; pair < byteCount; ++pair)
        if (addressOfPair(pair) >= byteCount || (isItem(pair) && addressOfPair(pair) != pair))
            return false;
    return true;
}
} // namespace check
static_assert(check::kindsInOrder(), "switches, LEDs, backlight, dimming input, then the intensities");
static_assert(count(Kind::Backlight) == 1 && count(Kind::Dimming) == 1);
static_assert(check::pairsArePlaces(), "every pair holds one address; the items' pairs are their addresses");
static_assert(std::string_view(rows[intensityAddress(Backlighting)].name) == "NORMAL BACKLIGHTING (%)"
              && std::string_view(rows[intensityAddress(Indicator)].name) == "NORMAL INDICATOR (%)"
              && std::string_view(rows[intensityAddress(Dimmed)].name) == "DIMMED BACKLIGHTING AND INDICATOR (%)");

} // namespace ConfigItems
