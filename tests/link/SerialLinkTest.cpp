// Opening the serial port, its error reports and the port listing, on in-memory ports.

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "link/SerialLink.h"
#include "support/LinkReports.h"
#include "support/TestPanel.h"

namespace qv::test {
namespace {

class SerialLink : public PanelTest {
  protected:
    void SetUp() override {
        PanelTest::SetUp();
        ctx.linkSettings.comPort = 4;
        makeLinkWork(ctx);
    }

    void expectReported(const std::string& text) {
        EXPECT_EQ(panel.statusBox(), text + "\n\n");
        expectLinkErrorReport(ctx, text);
    }
};

struct RateCase {
    unsigned index;
    long rate;
};

void PrintTo(const RateCase& c, std::ostream* os) {
    *os << "index " << c.index;
}

class BaudRate : public testing::TestWithParam<RateCase> {};

TEST_P(BaudRate, IndexGivesTheRate) {
    EXPECT_EQ(BaudRateForIndex(GetParam().index), GetParam().rate);
}

INSTANTIATE_TEST_SUITE_P(
    Table, BaudRate,
    testing::Values(RateCase{0, 9600}, RateCase{1, 19200}, RateCase{2, 38400}, RateCase{3, 57600},
                    RateCase{4, 115200}, RateCase{5, 230400}, RateCase{6, 460800},
                    RateCase{7, 921600}, RateCase{8, 115200}, RateCase{65535, 115200}),
    [](const auto& info) { return "Index" + std::to_string(info.param.index); });

TEST_F(SerialLink, OpensWithTheFixedConfigurationAndEmptiesBothQueues) {
    ctx.linkSettings.baudIndex = 2;
    panel.serial.pushInput(4, {0x01, 0x02});
    InitRS232(ctx);
    EXPECT_EQ(ctx.link.LinkOpenResult, 0);
    EXPECT_EQ(panel.serial.log(4),
              (std::vector<std::string>{"open 38400", "setComTime 2.0", "flushInQ", "flushOutQ",
                                        "setCTSMode 0"}));
    EXPECT_EQ(panel.serial.inputLength(4), 0);
    EXPECT_EQ(panel.statusBox(), "");
    EXPECT_EQ(ctx.link.LinkOk, 1);
}

TEST_F(SerialLink, IndexBeyondTheTableOpensAt115200) {
    ctx.linkSettings.baudIndex = 8;
    InitRS232(ctx);
    EXPECT_EQ(panel.serial.baudRate(4), 115200);
}

TEST_F(SerialLink, OpenAgainClosesFirst) {
    InitRS232(ctx);
    panel.serial.clearRecords(4);
    InitRS232(ctx);
    ASSERT_FALSE(panel.serial.log(4).empty());
    EXPECT_EQ(panel.serial.log(4).front(), "close");
    EXPECT_TRUE(panel.serial.isOpen(4));
}

struct OpenErrorCase {
    int code;
    const char* german;
    const char* english;
};

void PrintTo(const OpenErrorCase& c, std::ostream* os) {
    *os << "code " << c.code;
}

class SerialOpenError : public SerialLink, public testing::WithParamInterface<OpenErrorCase> {};

TEST_P(SerialOpenError, IsReportedInBothLanguages) {
    for (int language : {LANGUAGE_GERMAN, LANGUAGE_ENGLISH}) {
        SCOPED_TRACE(language);
        makeLinkWork(ctx);
        panel.ui.resetTextBox(ctx.app.connectionPage, CONNP_TEXTBOX_STATUS, "");
        panel.serial.clearRecords(4);
        ctx.app.language = language;
        panel.serial.setOpenResult(4, GetParam().code);
        InitRS232(ctx);
        EXPECT_EQ(ctx.link.LinkOpenResult, GetParam().code);
        expectReported(language == LANGUAGE_GERMAN ? GetParam().german : GetParam().english);
        // A port that did not open is not configured.
        EXPECT_EQ(panel.serial.log(4), (std::vector<std::string>{"open 115200"}));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Codes, SerialOpenError,
    testing::Values(OpenErrorCase{-1, "Unbekannter Systemfehler", "Unknown system error"},
                    OpenErrorCase{-2, "Ungueltige Portnummer", "Invalid port number"},
                    OpenErrorCase{-3, "Port ist nicht verfuegbar", "Port is not open"},
                    OpenErrorCase{-4, "Unbekannter I/O Fehler", "Unknown I/0 error"},
                    OpenErrorCase{-5, "RS-232 Fehler!", "RS-232 error!"},
                    OpenErrorCase{-6, "Kein serieller Port gefunden", "No serial port found"},
                    OpenErrorCase{-7, "Port kann nicht geoeffnet werden", "Cannot open port"},
                    OpenErrorCase{-14, "Ungueltige Baudrate", "Invalid Baudrate"},
                    OpenErrorCase{-99, "Timeout", "Timeout"},
                    OpenErrorCase{-100, "RS-232 Fehler!", "RS-232 error!"}),
    [](const auto& info) { return "Minus" + std::to_string(-info.param.code); });

struct ListingCase {
    const char* name;
    std::vector<int> present;
    int language;
    const char* expected;
};

void PrintTo(const ListingCase& c, std::ostream* os) {
    *os << c.name;
}

class PortListing : public PanelTest, public testing::WithParamInterface<ListingCase> {};

TEST_P(PortListing, AppendsHeadingPortsAndEmptyLine) {
    panel.ui.resetTextBox(ctx.app.connectionPage, CONNP_TEXTBOX_STATUS, "before\n");
    ctx.app.language = GetParam().language;
    panel.serial.setPresentPorts(GetParam().present);
    EXPECT_EQ(CBF_ButtonFindComPorts(ctx, ctx.app.connectionPage, CONNP_BUTTON_FIND_COM_PORTS,
                                     EVENT_COMMIT),
              0);
    EXPECT_EQ(panel.statusBox(), std::string("before\n") + GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PortListing,
    testing::Values(ListingCase{"NoPortsAppendsNothing", {}, LANGUAGE_ENGLISH, ""},
                    ListingCase{"TwoPortsEnglish",
                                {1, 3},
                                LANGUAGE_ENGLISH,
                                "Following COM PORTS are available:\nCOM1\nCOM3\n\n"},
                    ListingCase{"OnePortGerman",
                                {33},
                                LANGUAGE_GERMAN,
                                "Folgende COM PORTS sind verfuegbar:\nCOM33\n\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SerialLink, ListingIgnoresOtherEventsAndTouchesNoPort) {
    panel.serial.setPresentPorts({1});
    CBF_ButtonFindComPorts(ctx, ctx.app.connectionPage, CONNP_BUTTON_FIND_COM_PORTS,
                           EVENT_RIGHT_CLICK);
    EXPECT_EQ(panel.statusBox(), "");
    CBF_ButtonFindComPorts(ctx, ctx.app.connectionPage, CONNP_BUTTON_FIND_COM_PORTS, EVENT_COMMIT);
    EXPECT_TRUE(panel.serial.log(4).empty());
    EXPECT_EQ(ctx.link.LinkOk, 1);
}

}  // namespace
}  // namespace qv::test
