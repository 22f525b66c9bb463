#pragma once

#include "core/Context.h"

namespace qv {

// Loads the main panel from the program directory, binds the callbacks, fills the panel
// handles of AppState, creates the title text and shows the window with the parameter page in
// front. Returns 0, or a negative value when the panel file cannot be loaded (the program then
// ends with -1).
int StartPanel(Context& ctx);

// Closes the links that are open and discards the panel.
void ShutDownPanel(Context& ctx);

// The main panel's own events: closing ends the event loop; a right double click on the
// background gives the window its nominal size, centred on the screen.
int CBF_MAINP(Context& ctx, int panel, int event);

}  // namespace qv
