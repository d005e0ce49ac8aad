#pragma once

#include "configitems.h"

#include <QString>
#include <QtGlobal>
#include <array>

// One panel's whole configuration as a value: the fourteen address codes and the three
// intensity codes, with the designations and the panel name where a file carries them.
// Codes are kept as the 16-bit values given, whatever they mean.
//
// The panel's memory holds the codes at addresses 0..16: the items in their order
// (SW1..SW6, LED1..LED6, backlight, dimming input), then the backlighting, indicator and
// dimmed intensities. byte() and setByte() are the one map between the two.
struct PanelConfiguration
{
    static constexpr int itemCount = ConfigItems::itemCount;
    static constexpr int designationCount = ConfigItems::designationCount;
    static constexpr int intensityCount = ConfigItems::intensityCount;
    static constexpr int byteCount = ConfigItems::byteCount;
    using Intensity = ConfigItems::Intensity;
    static constexpr Intensity Backlighting = ConfigItems::Backlighting;
    static constexpr Intensity Indicator = ConfigItems::Indicator;
    static constexpr Intensity Dimmed = ConfigItems::Dimmed;
    using MemoryImage = std::array<qint16, byteCount>;

    std::array<qint16, itemCount> codes{};
    std::array<qint16, intensityCount> intensities{}; // in the order of Intensity
    std::array<QString, designationCount> designations;
    QString panelName;

    bool operator==(const PanelConfiguration &) const = default;

    qint16 byte(int address) const;
    void setByte(int address, qint16 value);
    MemoryImage memoryImage() const;
    static PanelConfiguration fromMemoryImage(const MemoryImage &image);

    // The item at a configuration address (0..13), or the intensity (14..16).
    static constexpr bool isItem(int address) { return ConfigItems::isItem(address); }
    static constexpr Intensity intensityAt(int address) { return Intensity(address - itemCount); }
    static constexpr int intensityAddress(Intensity intensity) { return ConfigItems::intensityAddress(intensity); }

    // What the window calls the thing at an address: "SW1" .. "DIMMING", or the caption of
    // the intensity selector.
    static QString name(int address);
};

// An item whose module, or whose channel, has not been picked: a configuration that cannot
// be written or saved yet.
struct MissingPick
{
    int item;
    bool module; // the module is missing; else the channel
    bool operator==(const MissingPick &) const = default;
};

// The model byte's address and the values of the two models this tool serves.
inline constexpr int modelAddress = 63;
inline constexpr bool isSupportedModel(qint16 model) { return model == 74 || model == 80; }
