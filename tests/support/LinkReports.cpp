#include "support/LinkReports.h"

#include <gtest/gtest.h>

#include "protocol/DataExchange.h"

namespace qv::test {

void makeLinkWork(Context& ctx) {
    ctx.link.LinkOk = 1;
    for (int button : kLinkButtons) {
        ctx.ui.setDimmed(ctx.app.connectionPage, button, false);
    }
    ctx.ui.setActiveTabPage(ctx.app.mainPanel, MAINP_TABMAIN1, PARAMETER_PAGE_INDEX);
}

int connectReceivingTcp(Context& ctx) {
    return ctx.tcp.connectToTCPServerEx(
        ctx.link.tcpHandle, 5000, "sensor",
        [&ctx](unsigned, int event, int) {
            if (event == TCP_DATAREADY) {
                ReceiveTcpData(ctx);
            }
            return 0;
        },
        5000);
}

void expectLinkErrorReport(Context& ctx, const std::string& message) {
    const std::string tail = message + "\n\n";
    const std::string box = ctx.ui.text(ctx.app.connectionPage, CONNP_TEXTBOX_STATUS);
    EXPECT_TRUE(box.size() >= tail.size() &&
                box.compare(box.size() - tail.size(), tail.size(), tail) == 0)
        << "status box: \"" << box << "\"";
    EXPECT_EQ(ctx.link.LinkOk, 0);
    for (int button : kLinkButtons) {
        EXPECT_TRUE(ctx.ui.dimmed(ctx.app.connectionPage, button)) << "button " << button;
    }
    EXPECT_EQ(ctx.ui.activeTabPage(ctx.app.mainPanel, MAINP_TABMAIN1), CONNECTION_PAGE_INDEX);
}

}  // namespace qv::test
