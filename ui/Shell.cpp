#include "ui/Shell.h"

#include "ui/MainPanel.h"

namespace qv {

namespace {

void BindCallbacks(Context& ctx) {
    ctx.ui.bindControlCallback("CBF_ButtonSelectMem", [&ctx](int p, int c, int e, int, int) {
        return CBF_ButtonSelectMem(ctx, p, c, e);
    });
    ctx.ui.bindControlCallback("CBF_DispStatus", [&ctx](int p, int c, int e, int, int) {
        return CBF_DispStatus(ctx, p, c, e);
    });
    ctx.ui.bindPanelCallback("CBF_MAINP",
                             [&ctx](int p, int e, int, int) { return CBF_MAINP(ctx, p, e); });
}

}  // namespace

int CBF_MAINP(Context& ctx, int panel, int event) {
    switch (event) {
        case EVENT_CLOSE:
            ctx.events.quitUserInterface(0);
            break;
        case EVENT_RIGHT_DOUBLE_CLICK:
            ctx.ui.setPanelSize(panel, kNominalPanelHeight, kNominalPanelWidth);
            ctx.ui.setPanelPos(panel, PANEL_AUTO_CENTER, PANEL_AUTO_CENTER);
            break;
        default:
            break;
    }
    return 0;
}

int StartPanel(Context& ctx) {
    ctx.app.projectDir = ctx.system.projectDir();
    const std::string panelFile = ctx.app.projectDir + "/" + kPanelFileName;
    ctx.app.mainPanel = ctx.ui.loadPanel(0, panelFile, MAINP);
    if (ctx.app.mainPanel < 0) {
        return -1;
    }
    ctx.ui.setPanelTitle(ctx.app.mainPanel, kPanelTitle);
    BindCallbacks(ctx);

    ctx.link.tcpConnected = 0;
    ctx.app.memoryTarget = MemoryTarget::Ram;
    ctx.app.connectionPage =
        ctx.ui.tabPagePanel(ctx.app.mainPanel, MAINP_TABMAIN1, CONNECTION_PAGE_INDEX);
    ctx.app.parameterPage =
        ctx.ui.tabPagePanel(ctx.app.mainPanel, MAINP_TABMAIN1, PARAMETER_PAGE_INDEX);
    ShowLogo(ctx);

    ctx.ui.setActiveTabPage(ctx.app.mainPanel, MAINP_TABMAIN1, PARAMETER_PAGE_INDEX);
    ctx.ui.setTabPageVisible(ctx.app.mainPanel, MAINP_TABMAIN1, SETTINGS_PAGE_INDEX, false);
    ctx.ui.displayPanel(ctx.app.mainPanel);
    return 0;
}

void ShutDownPanel(Context& ctx) {
    if (ctx.link.tcpConnected != 0) {
        ctx.tcp.disconnectFromTCPServer(ctx.link.tcpHandle);
        ctx.link.tcpConnected = 0;
    }
    ctx.serial.closeCom(ctx.linkSettings.comPort);
    if (ctx.app.mainPanel >= 0) {
        ctx.ui.discardPanel(ctx.app.mainPanel);
        ctx.app.mainPanel = -1;
    }
}

}  // namespace qv
