#include <gtest/gtest.h>

#include <filesystem>

#include "core/Panel.h"
#include "support/TestPanel.h"
#include "ui/MainPanel.h"
#include "ui/Shell.h"

namespace qv {
namespace {

using test::PanelTest;

class MemorySelectTest : public PanelTest {
  protected:
    void SetUp() override {
        PanelTest::SetUp();
        ctx.ui.bindControlCallback("CBF_ButtonSelectMem", [this](int p, int c, int e, int, int) {
            return CBF_ButtonSelectMem(ctx, p, c, e);
        });
        SelectMemoryTarget(ctx, MemoryTarget::Ram);
    }
    // What the three buttons show, RAM first.
    std::vector<int64_t> shown() const {
        const int p = ctx.app.mainPanel;
        return {ctx.ui.value(p, MAINP_BUTTON_RAM), ctx.ui.value(p, MAINP_BUTTON_EEPROM),
                ctx.ui.value(p, MAINP_BUTTON_FILE)};
    }
};

struct Click {
    int button;
    int64_t valueLeftByClick;  // a click on a button that is on turns it off
    std::vector<int64_t> shown;
    MemoryTarget target;
};

TEST_F(MemorySelectTest, ExactlyTheClickedButtonIsOnAndTheTargetFollows) {
    const Click clicks[] = {
        {MAINP_BUTTON_EEPROM, 1, {0, 1, 0}, MemoryTarget::Eeprom},
        {MAINP_BUTTON_EEPROM, 0, {0, 1, 0}, MemoryTarget::Eeprom},  // already on: stays on
        {MAINP_BUTTON_FILE, 1, {0, 0, 1}, MemoryTarget::File},
        {MAINP_BUTTON_RAM, 1, {1, 0, 0}, MemoryTarget::Ram},
        {MAINP_BUTTON_RAM, 0, {1, 0, 0}, MemoryTarget::Ram},
    };
    for (const Click& click : clicks) {
        ctx.ui.operatorSetValue(ctx.app.mainPanel, click.button, click.valueLeftByClick);
        EXPECT_EQ(shown(), click.shown) << "button " << click.button;
        EXPECT_EQ(ctx.app.memoryTarget, click.target) << "button " << click.button;
    }
}

TEST_F(MemorySelectTest, OtherControlsAndOtherEventsChangeNothing) {
    CBF_ButtonSelectMem(ctx, ctx.app.mainPanel, MAINP_BUTTON_SEND, EVENT_VAL_CHANGED);
    CBF_ButtonSelectMem(ctx, ctx.app.mainPanel, MAINP_BUTTON_FILE, EVENT_COMMIT);
    CBF_ButtonSelectMem(ctx, ctx.app.mainPanel, MAINP_BUTTON_FILE, EVENT_RIGHT_CLICK);
    EXPECT_EQ(shown(), (std::vector<int64_t>{1, 0, 0}));
    EXPECT_EQ(ctx.app.memoryTarget, MemoryTarget::Ram);
}

TEST_F(PanelTest, StatusBoxClearsOnlyOnRightDoubleClick) {
    appendToStatusBox(ctx, "Try to connect!\n");
    CBF_DispStatus(ctx, ctx.app.connectionPage, CONNP_TEXTBOX_STATUS, EVENT_RIGHT_CLICK);
    CBF_DispStatus(ctx, ctx.app.connectionPage, CONNP_TEXTBOX_STATUS, EVENT_COMMIT);
    EXPECT_EQ(panel.statusBox(), "Try to connect!\n");
    CBF_DispStatus(ctx, ctx.app.connectionPage, CONNP_TEXTBOX_STATUS, EVENT_RIGHT_DOUBLE_CLICK);
    EXPECT_EQ(panel.statusBox(), "");
}

TEST_F(PanelTest, TitleTextHasItsFixedAttributes) {
    ShowLogo(ctx);
    const PanelState* main = ctx.ui.panel(ctx.app.mainPanel);
    const ControlState& title = main->controls.rbegin()->second;
    EXPECT_EQ(title.kind, ControlKind::TextMessage);
    EXPECT_EQ(title.text, "QUORVANE V1.0");
    EXPECT_EQ(title.tooltip, "QUORVANE V1.0.0");
    EXPECT_EQ(title.font, "NIDialogMetaFont");
    EXPECT_EQ(title.pointSize, 22);
    EXPECT_EQ(title.textColor, 0x000000u);
    EXPECT_EQ(title.backgroundColor, 0xFFFFFFu);
    EXPECT_EQ(title.rect.top, 15);
    EXPECT_EQ(title.rect.left, 20);
    EXPECT_TRUE(title.label.empty());
}

TEST_F(PanelTest, RightDoubleClickGivesTheNominalSizeCentred) {
    ctx.ui.setScreenSize(1200, 900);
    ctx.ui.setPanelSize(ctx.app.mainPanel, 300, 900);
    ctx.ui.setPanelPos(ctx.app.mainPanel, 3, 4);
    CBF_MAINP(ctx, ctx.app.mainPanel, EVENT_RIGHT_DOUBLE_CLICK);
    const Rect& r = ctx.ui.panel(ctx.app.mainPanel)->rect;
    EXPECT_EQ(r.height, 690);
    EXPECT_EQ(r.width, 386);
    EXPECT_EQ(r.top, (900 - 690) / 2);
    EXPECT_EQ(r.left, (1200 - 386) / 2);
}

TEST(Shell, StartShowsTheParameterPageHidesSettingsAndCloseQuits) {
    test::TestPanel panel;
    Context& ctx = panel.ctx;
    panel.system.setProjectDir(
        std::filesystem::path(test::resourcePath("QuorvaneV10.uir")).parent_path().string());
    ASSERT_EQ(StartPanel(ctx), 0);
    const int main = ctx.app.mainPanel;
    EXPECT_EQ(ctx.ui.panel(main)->title, "QUORVANE V1.0");
    EXPECT_TRUE(ctx.ui.panel(main)->displayed);
    EXPECT_EQ(ctx.ui.activeTabPage(main, MAINP_TABMAIN1), PARAMETER_PAGE_INDEX);
    EXPECT_FALSE(ctx.ui.tabPageVisible(main, MAINP_TABMAIN1, SETTINGS_PAGE_INDEX));
    EXPECT_EQ(ctx.app.connectionPage, ctx.ui.tabPagePanel(main, MAINP_TABMAIN1, 0));
    EXPECT_EQ(ctx.app.memoryTarget, MemoryTarget::Ram);
    EXPECT_EQ(ctx.ui.value(main, MAINP_BUTTON_RAM), 1);

    // Closing the window asks the loop to end; a loop started afterwards returns at once.
    ctx.ui.dispatchPanelEvent(main, EVENT_CLOSE);
    EXPECT_EQ(ctx.events.runUserInterface(), 0);
    ShutDownPanel(ctx);
    EXPECT_EQ(ctx.ui.panel(main), nullptr);
}

TEST(Shell, MissingPanelFileFailsTheStart) {
    test::TestPanel panel;
    panel.system.setProjectDir("no/such/dir");
    EXPECT_LT(StartPanel(panel.ctx), 0);
}

}  // namespace
}  // namespace qv
