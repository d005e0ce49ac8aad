#pragma once

#include "config/configitems.h"

#include <QString>
#include <array>

class FormModel;

// What a read, an open or an undo of one did to the window, in one sentence a person can follow
// without going through every list: "9 items changed, panel name and designations emptied",
// "9 items, panel name and designations back". Taken as a picture of the form before, and
// told against the form after.
class ChangeSummary
{
public:
    explicit ChangeSummary(const FormModel &form);

    // How the form differs from the picture; `back` for an undo or a redo, which bring back a
    // form that was. Empty when it does not differ.
    QString since(const FormModel &form, bool back) const;

private:
    std::array<std::pair<int, int>, ConfigItems::itemCount> m_picks;
    std::array<int, ConfigItems::intensityCount> m_intensities;
    std::array<QString, ConfigItems::designationCount> m_designations;
    QString m_panelName;
};
