#include "support/TestPanel.h"

namespace qv::test {

std::string resourcePath(const std::string& fileName) {
    return std::string(QV_RESOURCE_OUTPUT_DIR) + "/" + fileName;
}

bool loadMainPanel(Context& ctx) {
    const int mainPanel = ctx.ui.loadPanel(0, resourcePath("QuorvaneV10.uir"), MAINP);
    if (mainPanel < 0) {
        return false;
    }
    ctx.app.mainPanel = mainPanel;
    ctx.app.connectionPage = ctx.ui.tabPagePanel(mainPanel, MAINP_TABMAIN1, CONNECTION_PAGE_INDEX);
    ctx.app.parameterPage = ctx.ui.tabPagePanel(mainPanel, MAINP_TABMAIN1, PARAMETER_PAGE_INDEX);
    return ctx.app.connectionPage > 0 && ctx.app.parameterPage > 0;
}

TestPanel::TestPanel() {
    loadMainPanel(ctx);
}

std::string TestPanel::statusBox() const {
    return ui.text(ctx.app.connectionPage, CONNP_TEXTBOX_STATUS);
}

int TestPanel::activePage() const {
    return ui.activeTabPage(ctx.app.mainPanel, MAINP_TABMAIN1);
}

}  // namespace qv::test
