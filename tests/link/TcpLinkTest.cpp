// Connecting the TCP conversation, its error reports, the receive handler and the server's
// close, on an in-memory conversation.

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "link/TcpLink.h"
#include "support/LinkReports.h"
#include "support/TestPanel.h"

namespace qv::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

class TcpLink : public PanelTest {
  protected:
    void SetUp() override {
        PanelTest::SetUp();
        ctx.linkSettings.serverName = "sensor.local";
        ctx.linkSettings.tcpPort = 5017;
        makeLinkWork();
    }

    // A working link with an empty status box, so that a report's every effect shows.
    void makeLinkWork() {
        qv::test::makeLinkWork(ctx);
        panel.ui.resetTextBox(ctx.app.connectionPage, CONNP_TEXTBOX_STATUS, "");
    }

    void expectReported(const std::string& text) {
        EXPECT_EQ(panel.statusBox(), text + "\n\n");
        expectLinkErrorReport(ctx, text);
    }

    void connect() {
        panel.tcp.setNextHandle(7);
        InitTCP_IP(ctx);
        ASSERT_EQ(ctx.link.tcpConnected, 1);
    }

    // Lets the loop hand over everything that is due within `seconds`.
    void runFor(double seconds) {
        const double end = panel.clock.now() + seconds;
        while (panel.clock.now() < end) {
            panel.events.waitForEvents(end - panel.clock.now());
        }
    }
};

TEST_F(TcpLink, ConnectsToTheServerWithTheBusyCursorShown) {
    connect();
    EXPECT_EQ(ctx.link.LinkOpenResult, 0);
    EXPECT_EQ(ctx.link.tcpHandle, 7u);
    ASSERT_EQ(panel.tcp.connects().size(), 1u);
    EXPECT_EQ(panel.tcp.connects()[0].host, "sensor.local");
    EXPECT_EQ(panel.tcp.connects()[0].port, 5017);
    EXPECT_EQ(panel.tcp.connects()[0].timeoutMs, 5000);
    EXPECT_EQ(panel.popups.waitCursorChanges(), (std::vector<bool>{true, false}));
    EXPECT_EQ(panel.statusBox(), "");
    EXPECT_EQ(ctx.link.LinkOk, 1);
}

TEST_F(TcpLink, ConnectingAgainEndsTheOpenConversationFirst) {
    connect();
    InitTCP_IP(ctx);
    EXPECT_EQ(panel.tcp.disconnectCalls(), 1);
    EXPECT_EQ(panel.tcp.connects().size(), 2u);
    EXPECT_EQ(ctx.link.tcpConnected, 1);
}

TEST_F(TcpLink, FirstConnectEndsNothing) {
    connect();
    EXPECT_EQ(panel.tcp.disconnectCalls(), 0);
}

struct ConnectErrorCase {
    int code;
    const char* german;
    const char* english;
};

void PrintTo(const ConnectErrorCase& c, std::ostream* os) {
    *os << "code " << c.code;
}

class TcpConnectError : public TcpLink, public testing::WithParamInterface<ConnectErrorCase> {};

TEST_P(TcpConnectError, IsReportedInBothLanguages) {
    for (int language : {LANGUAGE_GERMAN, LANGUAGE_ENGLISH}) {
        SCOPED_TRACE(language);
        makeLinkWork();
        ctx.app.language = language;
        ctx.link.tcpConnected = 0;
        panel.tcp.setConnectResult(GetParam().code);
        InitTCP_IP(ctx);
        EXPECT_EQ(ctx.link.LinkOpenResult, GetParam().code);
        EXPECT_EQ(ctx.link.tcpConnected, 0);
        expectReported(language == LANGUAGE_GERMAN ? GetParam().german : GetParam().english);
    }
    // The cursor is back to normal after every attempt.
    EXPECT_EQ(panel.popups.waitCursorChanges(), (std::vector<bool>{true, false, true, false}));
}

INSTANTIATE_TEST_SUITE_P(
    Codes, TcpConnectError,
    testing::Values(
        ConnectErrorCase{-1, "Dienst konnte nicht registriert werden",
                         "Unable to register service"},
        ConnectErrorCase{-2, "Verbindung konnte nicht aufgebaut werden",
                         "Unable to establish connection"},
        ConnectErrorCase{-3, "Server bereits vorhanden", "Existing server"},
        ConnectErrorCase{-4, "Verbindungsfehler", "Failed to connect"},
        ConnectErrorCase{-5, "Server nicht registriert", "Server not registered"},
        ConnectErrorCase{-6, "Zu viele Nachrichtenuebertragungen", "Too many conversations"},
        ConnectErrorCase{-7, "Lesen fehlgeschlagen", "Read failed"},
        ConnectErrorCase{-8, "Schreiben fehlgeschlagen", "Write failed"},
        ConnectErrorCase{-9, "Ungueltiger Parameter", "Invalid parameter"},
        ConnectErrorCase{-10, "Ausserhalb des Speichers", "Out of memory"},
        ConnectErrorCase{-11, "Timeout", "Time out error"},
        ConnectErrorCase{-12, "Keine Verbindung hergestellt", "No connection established"},
        ConnectErrorCase{-13, "Allgemeiner IO Fehler", "General IO error"},
        ConnectErrorCase{-14, "Verbindung geschlossen", "Connection closed"},
        ConnectErrorCase{-15, "Winsock DLL konnte nicht geladen werden",
                         "Unable to load winsock DLL"},
        ConnectErrorCase{-16, "Ungueltige Winsock DLL Version", "Incorrect winsock DLL version"},
        ConnectErrorCase{-17, "Netzwerk Subsystem nicht bereit", "Network subsystem not ready"},
        ConnectErrorCase{-18, "Verbindungen noch aktiv", "Connections still open"},
        ConnectErrorCase{-19, "Verbindungstrennung bevorstehend", "Disconnect pending"},
        ConnectErrorCase{-20, "Info nicht verfuegbar", "Info not available"},
        ConnectErrorCase{-21, "Verbindung mit Server fehlgeschlagen",
                         "Connection to server failed"},
        ConnectErrorCase{INT_MIN, "Verbindung mit Server fehlgeschlagen",
                         "Connection to server failed"}),
    [](const auto& info) {
        return info.param.code == INT_MIN ? std::string("Lowest")
                                          : "Minus" + std::to_string(-info.param.code);
    });

TEST_F(TcpLink, ArrivingPiecesAreAppendedAtRxCount) {
    connect();
    ctx.proto.RxCount = 0;
    panel.tcp.deliverIn(0.1, {0x55, 0x03, 0x00});
    panel.tcp.deliverIn(0.2, {0x00, 0x02, 0x00, 0xAB, 0xCD, 0x11, 0x22});
    runFor(0.5);
    EXPECT_EQ(ctx.proto.RxCount, 10);
    const Bytes stored(ctx.proto.ResponseBuffer.begin(), ctx.proto.ResponseBuffer.begin() + 10);
    EXPECT_EQ(stored, (Bytes{0x55, 0x03, 0x00, 0x00, 0x02, 0x00, 0xAB, 0xCD, 0x11, 0x22}));
    for (const auto& read : panel.tcp.reads()) {
        EXPECT_EQ(read.timeoutMs, 5000);
    }
}

TEST_F(TcpLink, NothingIsStoredPastTheBufferEnd) {
    connect();
    ctx.proto.RxCount = kFrameBufferSize - 3;
    ctx.proto.ResponseBuffer.fill(0xEE);
    panel.tcp.deliverIn(0.1, {1, 2, 3, 4, 5, 6});
    runFor(0.5);
    EXPECT_EQ(ctx.proto.RxCount, kFrameBufferSize);
    EXPECT_EQ(ctx.proto.ResponseBuffer[kFrameBufferSize - 3], 1);
    EXPECT_EQ(ctx.proto.ResponseBuffer[kFrameBufferSize - 1], 3);
    ASSERT_FALSE(panel.tcp.reads().empty());
    EXPECT_EQ(panel.tcp.reads().front().capacity, 3);
}

TEST_F(TcpLink, FailedReadLeavesTheCountAlone) {
    connect();
    ctx.proto.RxCount = 5;
    panel.tcp.failNextRead(TCP_READ_FAILED);
    panel.tcp.deliverIn(0.1, {1, 2});
    runFor(0.5);
    EXPECT_EQ(ctx.proto.RxCount, 5);
    EXPECT_EQ(panel.statusBox(), "");
}

TEST_F(TcpLink, ServerCloseIsReportedAndEndsTheConversation) {
    for (int language : {LANGUAGE_GERMAN, LANGUAGE_ENGLISH}) {
        SCOPED_TRACE(language);
        makeLinkWork();
        ctx.app.language = language;
        connect();
        panel.tcp.disconnectAt(panel.clock.now() + 0.1);
        runFor(0.5);
        expectReported(language == LANGUAGE_GERMAN ? "Server hat Verbindung beendet!"
                                                   : "Server has closed connection!");
        EXPECT_EQ(ctx.link.tcpHandle, 0u);
        EXPECT_EQ(ctx.link.tcpConnected, 0);
    }
}

TEST_F(TcpLink, HandlerIgnoresOtherEvents) {
    connect();
    EXPECT_EQ(ClientTCPCB(ctx, 7, TCP_CONNECT, 0), 0);
    EXPECT_EQ(ctx.link.tcpConnected, 1);
    EXPECT_EQ(panel.statusBox(), "");
    EXPECT_TRUE(panel.tcp.reads().empty());
}

struct PortTextCase {
    const char* text;
    std::int32_t port;
};

void PrintTo(const PortTextCase& c, std::ostream* os) {
    *os << '"' << c.text << '"';
}

class TcpPortText : public testing::TestWithParam<PortTextCase> {};

TEST_P(TcpPortText, ReadsLikeTheCLibrary) {
    EXPECT_EQ(TcpPortFromText(GetParam().text), GetParam().port) << '"' << GetParam().text << '"';
}

INSTANTIATE_TEST_SUITE_P(Texts, TcpPortText,
                         testing::Values(PortTextCase{"5000", 5000}, PortTextCase{"", 0},
                                         PortTextCase{"50a77", 50}, PortTextCase{"  \t42", 42},
                                         PortTextCase{"+8", 8}, PortTextCase{"-3", -3},
                                         PortTextCase{"x50", 0}, PortTextCase{"- 5", 0},
                                         PortTextCase{"2147483647", INT32_MAX},
                                         PortTextCase{"99999999999", INT32_MAX},
                                         PortTextCase{"-99999999999", INT32_MIN}),
                         [](const auto& info) { return "Text" + std::to_string(info.index); });

}  // namespace
}  // namespace qv::test
