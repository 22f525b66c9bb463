#pragma once

#include <string>
#include <vector>

#include "platform/PanelModel.h"

namespace qv {

// The panel file is an INI document, editable by hand:
//
//   [PANEL MAINP]               a top-level panel: RESOURCE, TITLE, CALLBACK, TOP, LEFT, WIDTH,
//                               HEIGHT
//   [PANEL CONNP]               a tab page: PARENT names its top-level panel, TITLE is the
//                               tab's label
//   [CONTROL MAINP_BUTTON_SEND] a control: PANEL, ID, KIND, and as the kind needs TYPE,
//                               CALLBACK, LABEL, TOOLTIP, SHORTCUT, TOP, LEFT, WIDTH, HEIGHT,
//                               VALUE, TEXT, DIMMED, VISIBLE, MAX LENGTH, MIN, MAX, INC, UNIT,
//                               KNOB, PAGES (tab: page panel names separated by blanks) and
//                               "ITEM n LABEL" / "ITEM n VALUE" (rings, n from 1)
//
// KIND is one of command, toggle, ring, numeric, string, textbox, textmsg, tab; TYPE one of
// u16, i32, text.

// Reads top-level panel `resource` and its tab pages from `path`: the panel first, then its
// pages in the order the tab control names them. A tab page's `panel` holds the position of
// its panel in `panels` until the caller gives out handles. False when the file is missing,
// unreadable or malformed; `panels` is then unspecified.
bool readPanelFile(const std::string& path, int resource, std::vector<PanelState>& panels);

// A language file holds one section per panel or control name, with the texts to replace:
// TITLE (panels; a tab page's title is its tab label), LABEL, TOOLTIP and "ITEM n" (ring
// item labels, n from 1). False, with nothing changed, when the file cannot be read.
bool applyLanguageFile(const std::string& path, const std::vector<PanelState*>& panels);

}  // namespace qv
