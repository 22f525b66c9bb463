#include "ui/MainPanel.h"

#include "core/Panel.h"

namespace qv {

void SelectMemoryTarget(Context& ctx, MemoryTarget target) {
    const int panel = ctx.app.mainPanel;
    ctx.ui.setValue(panel, MAINP_BUTTON_RAM, target == MemoryTarget::Ram ? 1 : 0);
    ctx.ui.setValue(panel, MAINP_BUTTON_EEPROM, target == MemoryTarget::Eeprom ? 1 : 0);
    ctx.ui.setValue(panel, MAINP_BUTTON_FILE, target == MemoryTarget::File ? 1 : 0);
    ctx.app.memoryTarget = target;
}

int CBF_ButtonSelectMem(Context& ctx, int /*panel*/, int control, int event) {
    if (event != EVENT_VAL_CHANGED) {
        return 0;
    }
    switch (control) {
        case MAINP_BUTTON_RAM:
            SelectMemoryTarget(ctx, MemoryTarget::Ram);
            break;
        case MAINP_BUTTON_EEPROM:
            SelectMemoryTarget(ctx, MemoryTarget::Eeprom);
            break;
        case MAINP_BUTTON_FILE:
            SelectMemoryTarget(ctx, MemoryTarget::File);
            break;
        default:
            break;
    }
    return 0;
}

int CBF_DispStatus(Context& ctx, int /*panel*/, int /*control*/, int event) {
    if (event == EVENT_RIGHT_DOUBLE_CLICK) {
        clearStatusBox(ctx);
    }
    return 0;
}

int ShowInfoText(Context& ctx, const std::string& text, int withTooltip, int left, int top,
                 int pointSize, std::uint32_t backgroundColour, std::uint32_t textColour) {
    const int panel = ctx.app.mainPanel;
    const int control = ctx.ui.newTextMessage(panel, top, left);
    ctx.ui.setTextAppearance(panel, control, kTitleFont, backgroundColour, textColour, pointSize);
    if (withTooltip != 0) {
        ctx.ui.setTooltip(panel, control, kTitleTooltip);
    }
    return ctx.ui.setText(panel, control, text);
}

void ShowLogo(Context& ctx) {
    ShowInfoText(ctx, kPanelTitle, 1, 20, 15, 22, 0xFFFFFF, 0x000000);
}

}  // namespace qv
