#pragma once

#include <string>

#include "core/Context.h"

namespace qv {

// The status box on the connection page. Appending never replaces earlier text and adds no
// line break of its own; only the operator clears it.
inline void appendToStatusBox(Context& ctx, const std::string& text) {
    ctx.ui.setText(ctx.app.connectionPage, CONNP_TEXTBOX_STATUS, text);
}

inline void clearStatusBox(Context& ctx) {
    ctx.ui.resetTextBox(ctx.app.connectionPage, CONNP_TEXTBOX_STATUS, "");
}

inline void showConnectionPage(Context& ctx) {
    ctx.ui.setActiveTabPage(ctx.app.mainPanel, MAINP_TABMAIN1, CONNECTION_PAGE_INDEX);
}

inline void showParameterPage(Context& ctx) {
    ctx.ui.setActiveTabPage(ctx.app.mainPanel, MAINP_TABMAIN1, PARAMETER_PAGE_INDEX);
}

// The three connection-page buttons that only a successful handshake makes usable.
inline void dimLinkDependentButtons(Context& ctx) {
    ctx.ui.setDimmed(ctx.app.connectionPage, CONNP_BUTTON_ACCEPT, true);
    ctx.ui.setDimmed(ctx.app.connectionPage, CONNP_BUTTON_CHANGE_BAUDRATE, true);
    ctx.ui.setDimmed(ctx.app.connectionPage, CONNP_BUTTON_GEN_HW_INFO_FILE, true);
}

}  // namespace qv
