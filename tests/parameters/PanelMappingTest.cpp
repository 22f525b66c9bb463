// The parameter page and the ParameterSet: copying one into the other and the dimming rule.

#include <gtest/gtest.h>

#include <array>

#include "parameters/PanelMapping.h"
#include "support/TestPanel.h"

namespace qv {
namespace {

using test::PanelTest;

// Toggles OUT1..OUT5.
constexpr std::array<int, 5> kToggles = {PARAP_TGBTN_OUT1, PARAP_TGBTN_OUT2, PARAP_TGBTN_OUT3,
                                         PARAP_TGBTN_OUT4, PARAP_TGBTN_OUT5};

class PanelMappingTest : public PanelTest {
  protected:
    int page() const { return ctx.app.parameterPage; }
    std::array<bool, 5> togglesOn() const {
        std::array<bool, 5> on{};
        for (std::size_t i = 0; i < kToggles.size(); ++i) {
            on[i] = ctx.ui.value(page(), kToggles[i]) != 0;
        }
        return on;
    }
    bool knobsDimmed() const {
        const bool on = ctx.ui.dimmed(page(), PARAP_NUMKNOB_ON_TIME);
        EXPECT_EQ(on, ctx.ui.dimmed(page(), PARAP_NUMKNOB_OFF_TIME));
        return on;
    }
};

struct MaskCase {
    std::uint16_t outs;
    std::array<bool, 5> shown;  // OUT1..OUT5
    std::uint16_t readBack;     // what GetPanelValues makes of the page again
};

TEST_F(PanelMappingTest, MaskShowsOnTheTogglesAndComesBackWithoutHigherBits) {
    const MaskCase cases[] = {
        {0x0000, {false, false, false, false, false}, 0x0000},
        {0x001F, {true, true, true, true, true}, 0x001F},
        {0x000A, {false, true, false, true, false}, 0x000A},
        {0x0121, {true, false, false, false, false}, 0x0001},
    };
    for (const MaskCase& c : cases) {
        ctx.parameterSet = ParameterSet{1, 500, 100, c.outs};
        SetPanelValues(ctx);
        EXPECT_EQ(togglesOn(), c.shown) << std::hex << c.outs;
        EXPECT_EQ(ctx.parameterSet.outs, c.outs) << "the set keeps its mask until read again";
        GetPanelValues(ctx);
        EXPECT_EQ(ctx.parameterSet.outs, c.readBack) << std::hex << c.outs;
    }
}

TEST_F(PanelMappingTest, ToggleShowsItsBitsValue) {
    ctx.parameterSet = ParameterSet{0, 1, 1, 0x10};
    SetPanelValues(ctx);
    EXPECT_EQ(ctx.ui.value(page(), PARAP_TGBTN_OUT5), 0x10);
}

TEST_F(PanelMappingTest, PageValuesBecomeTheSet) {
    ctx.ui.setValue(page(), PARAP_EDIT_CTRL_MODE, 2);
    ctx.ui.setValue(page(), PARAP_NUMKNOB_ON_TIME, 65535);
    ctx.ui.setValue(page(), PARAP_NUMKNOB_OFF_TIME, 7);
    ctx.ui.setValue(page(), PARAP_TGBTN_OUT3, 1);
    ctx.parameterSet.outs = 0x1F;
    GetPanelValues(ctx);
    EXPECT_EQ(ctx.parameterSet.controlMode, 2);
    EXPECT_EQ(ctx.parameterSet.onTime, 65535);
    EXPECT_EQ(ctx.parameterSet.offTime, 7);
    EXPECT_EQ(ctx.parameterSet.outs, 0x04);
}

TEST_F(PanelMappingTest, StaticModeDimsTheTimeKnobsAndOtherModesUndimThem) {
    for (std::uint16_t mode : {0, 1, 2, 0}) {
        ctx.parameterSet = ParameterSet{mode, 500, 100, 0};
        ShowParameterSet(ctx);
        EXPECT_EQ(knobsDimmed(), mode == 0) << "mode " << mode;
        for (int toggle : kToggles) {
            EXPECT_FALSE(ctx.ui.dimmed(page(), toggle));
        }
    }
}

TEST_F(PanelMappingTest, CommittedModeChangesOnlyTheModeOfTheSet) {
    ctx.parameterSet = ParameterSet{0, 500, 100, 0x03};
    ShowParameterSet(ctx);
    ctx.ui.setValue(page(), PARAP_NUMKNOB_ON_TIME, 900);
    ctx.ui.setValue(page(), PARAP_EDIT_CTRL_MODE, 1);
    InitPanelCtrlAttr(ctx);
    EXPECT_EQ(ctx.parameterSet.controlMode, 1);
    EXPECT_EQ(ctx.parameterSet.onTime, 500);
    EXPECT_EQ(ctx.parameterSet.outs, 0x03);
    EXPECT_FALSE(knobsDimmed());
}

TEST_F(PanelMappingTest, ModeTheRingCannotShowIsReadBackAsWhatItShows) {
    ctx.ui.setValue(page(), PARAP_EDIT_CTRL_MODE, 1);
    ctx.parameterSet = ParameterSet{0x7777, 500, 100, 0};
    ShowParameterSet(ctx);
    EXPECT_EQ(ctx.parameterSet.controlMode, 1);
    EXPECT_FALSE(knobsDimmed());
}

}  // namespace
}  // namespace qv
