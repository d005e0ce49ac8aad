#pragma once

#include <QtGlobal>

// The form's record of codes behind its selectors: what the selection handlers keep up to
// date and what a gathering computes. Field names are the ones the whole window uses; the
// record stays inside the form, which hands out its values by item. Every field is a 16-bit
// signed integer, as the panel's codes are. The texts (designations and panel name) are kept
// once, with the boxes that show them, in the form's state.
struct PanelConfig
{
    // Selected codes: the item's address code as last picked or loaded.
    qint16 s1 = 0, s2 = 0, s3 = 0, s4 = 0, s5 = 0, s6 = 0;
    qint16 led1 = 0, led2 = 0, led3 = 0, led4 = 0, led5 = 0, led6 = 0;
    // Write values: gathered from the selectors before every panel write and save.
    qint16 s1w = 0, s2w = 0, s3w = 0, s4w = 0, s5w = 0, s6w = 0;
    qint16 led1w = 0, led2w = 0, led3w = 0, led4w = 0, led5w = 0, led6w = 0;
    // Module code of the last module pick other than "N/A", and channel code of the last channel pick.
    qint16 s1m = 0, s1c = 0, s2m = 0, s2c = 0, s3m = 0, s3c = 0;
    qint16 s4m = 0, s4c = 0, s5m = 0, s5c = 0, s6m = 0, s6c = 0;
    qint16 led1m = 0, led1c = 0, led2m = 0, led2c = 0, led3m = 0, led3c = 0;
    qint16 led4m = 0, led4c = 0, led5m = 0, led5c = 0, led6m = 0, led6c = 0;
    // Backlight and dimming input: one field is both selected code and write value.
    qint16 bl = 0, blm = 0, blc = 0;
    qint16 dimch = 0, dimchm = 0, dimchc = 0;
    // Lighting intensity codes: 10 for 100 %, 7 down to 1 for 90 % down to 30 %.
    qint16 blpercent = 0, indpercent = 0, dindpercent = 0;

    bool operator==(const PanelConfig &) const = default;
};
