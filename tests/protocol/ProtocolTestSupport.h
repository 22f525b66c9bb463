#pragma once

// What the frame and exchange tests share: the reports as the operator reads them, and a
// fixture with a connected link whose state a failure must visibly change.

#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "core/Panel.h"
#include "protocol/DataExchange.h"
#include "protocol/Frame.h"
#include "support/LinkReports.h"
#include "support/TestPanel.h"

namespace qv::test {

inline auto fields(const ResponseHeaderFields& h) {
    return std::make_tuple(int{h.order}, int{h.parameter}, int{h.length}, int{h.dataCrc});
}

// A header no exchange in these tests produces, to see whether one was replaced.
inline constexpr ResponseHeaderFields kEarlierHeader{9, 0x4242, 3, 0x77};
inline constexpr const char* kEarlierStatus = "Connected.\n";
inline constexpr int kPort = 3;

// A working link with the parameter page in front, the link-dependent buttons usable and some
// text in the status box; times in deliver() count from the start of the test.
class LinkTest : public PanelTest {
  protected:
    void SetUp() override {
        PanelTest::SetUp();
        if (HasFatalFailure()) {
            return;
        }
        t0 = panel.clock.now();
        ctx.proto.ResponseHeader = kEarlierHeader;
        restoreWorkingLink();
    }

    // As after a successful connection, so that a report's every effect shows.
    void restoreWorkingLink() {
        makeLinkWork(ctx);
        panel.ui.resetTextBox(ctx.app.connectionPage, CONNP_TEXTBOX_STATUS, kEarlierStatus);
    }

    void useLink(LinkProtocol link) {
        ctx.linkSettings.protocol = link;
        if (link == LINK_RS232) {
            ctx.linkSettings.comPort = kPort;
            ASSERT_EQ(panel.serial.openComConfig(kPort, "", 115200, PARITY_NONE, 8, 1, 4096, 4096),
                      0);
            ASSERT_EQ(panel.serial.setComTime(kPort, 2.0), 0);
            panel.serial.clearRecords(kPort);
        } else {
            ASSERT_EQ(connectReceivingTcp(ctx), 0);
        }
    }

    void deliver(double secondsFromStart, const Bytes& bytes) {
        if (ctx.linkSettings.protocol == LINK_RS232) {
            panel.serial.deliverAt(t0 + secondsFromStart, kPort, bytes);
        } else {
            panel.tcp.deliverAt(t0 + secondsFromStart, bytes);
        }
    }

    int exchangeReadRam() {
        FillTxBuf(ctx, ReadRam, 0, 0);
        return DataExchange(ctx, 8);
    }

    void expectNoReport() {
        EXPECT_EQ(panel.statusBox(), kEarlierStatus);
        EXPECT_EQ(ctx.link.LinkOk, 1);
        EXPECT_EQ(panel.activePage(), PARAMETER_PAGE_INDEX);
    }

    // Exactly one report: the message and an empty line after what was there, the link
    // marked broken, its buttons dimmed and the connection page in front.
    void expectReport(const std::string& message) {
        EXPECT_EQ(panel.statusBox(), kEarlierStatus + message + "\n\n");
        expectLinkErrorReport(ctx, message);
    }

    double t0 = 0;
};

}  // namespace qv::test
