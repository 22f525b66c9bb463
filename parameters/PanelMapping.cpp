#include "parameters/PanelMapping.h"

#include <array>
#include <utility>

namespace qv {

namespace {

// Output toggles and their bits in `outs`, OUT1 first.
constexpr std::array<std::pair<int, std::uint16_t>, 5> kOutputs = {{
    {PARAP_TGBTN_OUT1, 0x01},
    {PARAP_TGBTN_OUT2, 0x02},
    {PARAP_TGBTN_OUT3, 0x04},
    {PARAP_TGBTN_OUT4, 0x08},
    {PARAP_TGBTN_OUT5, 0x10},
}};

std::uint16_t u16(std::int64_t v) {
    return static_cast<std::uint16_t>(v);
}

}  // namespace

void GetPanelValues(Context& ctx) {
    const int page = ctx.app.parameterPage;
    ParameterSet& set = ctx.parameterSet;
    set.outs = 0;
    set.controlMode = u16(ctx.ui.value(page, PARAP_EDIT_CTRL_MODE));
    set.onTime = u16(ctx.ui.value(page, PARAP_NUMKNOB_ON_TIME));
    set.offTime = u16(ctx.ui.value(page, PARAP_NUMKNOB_OFF_TIME));
    for (const auto& [control, bit] : kOutputs) {
        if (static_cast<std::int32_t>(ctx.ui.value(page, control)) != 0) {
            set.outs |= bit;
        }
    }
}

void SetPanelValues(Context& ctx) {
    const int page = ctx.app.parameterPage;
    const ParameterSet& set = ctx.parameterSet;
    ctx.ui.setValue(page, PARAP_EDIT_CTRL_MODE, set.controlMode);
    ctx.ui.setValue(page, PARAP_NUMKNOB_ON_TIME, set.onTime);
    ctx.ui.setValue(page, PARAP_NUMKNOB_OFF_TIME, set.offTime);
    for (const auto& [control, bit] : kOutputs) {
        ctx.ui.setValue(page, control, set.outs & bit);
    }
}

void ApplyCtrlModeDimming(Context& ctx) {
    const bool staticMode = ctx.parameterSet.controlMode == 0;
    ctx.ui.setDimmed(ctx.app.parameterPage, PARAP_NUMKNOB_ON_TIME, staticMode);
    ctx.ui.setDimmed(ctx.app.parameterPage, PARAP_NUMKNOB_OFF_TIME, staticMode);
}

void InitPanelCtrlAttr(Context& ctx) {
    ctx.parameterSet.controlMode = u16(ctx.ui.value(ctx.app.parameterPage, PARAP_EDIT_CTRL_MODE));
    ApplyCtrlModeDimming(ctx);
}

void ShowParameterSet(Context& ctx) {
    SetPanelValues(ctx);
    InitPanelCtrlAttr(ctx);
}

}  // namespace qv
