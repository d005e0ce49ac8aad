#pragma once

#include "forminterface.h"
#include "selectortables.h"

// Going back from codes to selections, as a panel read and a file load show them.
// Every selection runs the selector's handler before it returns.

// Shows an address code in the item's module and channel selectors: the code goes into A,
// split_code finds the positions, then the module and the channel position are selected.
// A code of 160 or more shows "N/A" and selects the channel position left over from the
// previous split. A negative code shows "N/A" and leaves the channel selector alone, since
// no list has a negative position.
void show_code(PanelConfig &cfg, FormInterface &form, const AssignmentItem &item, qint16 code);

// Selects the entry of the intensity item's code; a code with no entry becomes 10 ("100").
void show_intensity(PanelConfig &cfg, FormInterface &form, const IntensityItem &item);

void show_blpercent(PanelConfig &cfg, FormInterface &form);
void show_indpercent(PanelConfig &cfg, FormInterface &form);
void show_dindpercent(PanelConfig &cfg, FormInterface &form);
