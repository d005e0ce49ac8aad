#pragma once

#include "model/forminterface.h"
#include "model/panelconfig.h"

// Computes the fourteen write values afresh from what the module and channel selectors
// show. The first incomplete item sets error_flag (1 for a switch, 2 for the rest) and ends
// the gathering; the caller clears error_flag first. A complete gathering ends in the
// switch-assignment view.
void gather_config(PanelConfig &cfg, FormInterface &form);
