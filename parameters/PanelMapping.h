#pragma once

#include "core/Context.h"

namespace qv {

// The parameter page shows the ParameterSet in eight controls: the control-mode ring, the
// on-time and off-time knobs and the five output toggles. Set and page are not kept in step by
// themselves; these copy one into the other.

// Page -> set. The toggles become the `outs` mask, so bits above the five outputs never leave
// the panel.
void GetPanelValues(Context& ctx);

// Set -> page. Each toggle gets (outs AND its bit); the dimming is left alone.
void SetPanelValues(Context& ctx);

// Reads the control-mode ring into the set and applies the dimming rule; runs when the
// operator commits a new mode.
void InitPanelCtrlAttr(Context& ctx);

// The two time knobs are dimmed in the static mode (0) and usable in every other mode.
void ApplyCtrlModeDimming(Context& ctx);

// Shows a set that came from the sensor or a file: SetPanelValues, then the mode the ring
// really shows back into the set, then the dimming rule.
void ShowParameterSet(Context& ctx);

}  // namespace qv
