// The parameter transfer on the wire: the requests the simulated sensor receives over TCP, and
// what comes back onto the parameter page.

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <tuple>
#include <vector>

#include "RealLinkTest.h"
#include "parameters/PanelMapping.h"
#include "parameters/Transfer.h"

namespace qv::test {
namespace {

using Requests = std::vector<std::string>;

constexpr char kStoreEeprom[] = "55 03 00 00 00 00 AA 8E";
constexpr char kLoadEeprom[] = "55 04 00 00 00 00 AA 0B";
constexpr char kReadRam[] = "55 02 00 00 00 00 AA B9";

auto fields(const ParameterSet& s) {
    return std::make_tuple(int{s.controlMode}, int{s.onTime}, int{s.offTime}, int{s.outs});
}

class ParameterWire : public RealLinkTest {
  protected:
    void showOnPage(ParameterSet set) {
        ctx.parameterSet = set;
        SetPanelValues(ctx);
    }
    ParameterSet pageValues() {
        GetPanelValues(ctx);
        return ctx.parameterSet;
    }
};

TEST_F(ParameterWire, SentToEepromAndReadBackFromIt) {
    connectTo(LINK_TCPIP);
    if (HasFatalFailure()) {
        return;
    }
    ctx.app.memoryTarget = MemoryTarget::Eeprom;
    showOnPage({1, 500, 100, 0x1F});
    SendPara(ctx);
    EXPECT_EQ(ctx.link.LinkOk, 1) << statusBox();
    EXPECT_EQ(sensor->requests(),
              (Requests{"55 01 00 00 08 00 DC E0 01 00 F4 01 64 00 1F 00", kStoreEeprom}));

    showOnPage({0, 0, 0, 0});
    GetPara(ctx);
    EXPECT_EQ(ctx.link.LinkOk, 1) << statusBox();
    EXPECT_EQ(fields(pageValues()), fields({1, 500, 100, 0x1F}));
    EXPECT_EQ(sensor->requests(), (Requests{"55 01 00 00 08 00 DC E0 01 00 F4 01 64 00 1F 00",
                                            kStoreEeprom, kLoadEeprom, kReadRam}));
    EXPECT_EQ(statusBox(), "");
}

TEST_F(ParameterWire, RamTargetNeitherStoresNorLoads) {
    connectTo(LINK_TCPIP, {"--ram", "2,1000,2000,0x0A"});
    if (HasFatalFailure()) {
        return;
    }
    ctx.app.memoryTarget = MemoryTarget::Ram;
    GetPara(ctx);
    EXPECT_EQ(fields(pageValues()), fields({2, 1000, 2000, 0x0A}));
    // 0x0A: outputs 2 and 4.
    EXPECT_EQ(ui.value(ctx.app.parameterPage, PARAP_TGBTN_OUT1), 0);
    EXPECT_NE(ui.value(ctx.app.parameterPage, PARAP_TGBTN_OUT2), 0);
    EXPECT_NE(ui.value(ctx.app.parameterPage, PARAP_TGBTN_OUT4), 0);
    SendPara(ctx);
    EXPECT_EQ(sensor->requests(),
              (Requests{kReadRam, "55 01 00 00 08 00 4A 2C 02 00 E8 03 D0 07 0A 00"}));
    EXPECT_EQ(statusBox(), "");
}

TEST_F(ParameterWire, ImplausibleSetIsReportedAndStillStored) {
    connectTo(LINK_TCPIP);
    if (HasFatalFailure()) {
        return;
    }
    ctx.app.memoryTarget = MemoryTarget::Eeprom;
    // On time 0 and off time 65000 are outside what the sensor accepts.
    showOnPage({0, 0, 65000, 0});
    SendPara(ctx);
    expectLinkErrorReport(
        ctx,
        "Message!\n2 Parameter in RAM did not pass plausibility check and were set to default "
        "value!");
    EXPECT_EQ(sensor->requests(),
              (Requests{"55 01 00 00 08 00 5E D0 00 00 00 00 E8 FD 00 00", kStoreEeprom}));
}

TEST_F(ParameterWire, ImplausibleEepromIsReportedAndTheCorrectedRamShown) {
    connectTo(LINK_TCPIP, {"--eeprom", "7,0,1,0x40"});
    if (HasFatalFailure()) {
        return;
    }
    ctx.app.memoryTarget = MemoryTarget::Eeprom;
    GetPara(ctx);
    EXPECT_EQ(statusBox(),
              "Message!\n3 Parameter from EEPROM did not pass plausibility check and were set to "
              "default value!\n\n");
    EXPECT_EQ(activePage(), CONNECTION_PAGE_INDEX);
    EXPECT_EQ(ctx.link.LinkOk, 1);
    EXPECT_EQ(sensor->requests(), (Requests{kLoadEeprom, kReadRam}));
    EXPECT_EQ(fields(pageValues()), fields({0, 500, 1, 0}));
}

struct FailingOrderCase {
    const char* name;
    const char* order;
    bool send;
    Requests requests;
};

void PrintTo(const FailingOrderCase& c, std::ostream* os) {
    *os << c.name;
}

class FailingOrder : public ParameterWire, public testing::WithParamInterface<FailingOrderCase> {};

TEST_P(FailingOrder, StopsTheSequence) {
    connectTo(LINK_TCPIP, {"--error-reply", "2", "--fault-order", GetParam().order});
    if (HasFatalFailure()) {
        return;
    }
    ctx.app.memoryTarget = MemoryTarget::Eeprom;
    showOnPage({1, 500, 100, 0x1F});
    if (GetParam().send) {
        SendPara(ctx);
    } else {
        GetPara(ctx);
    }
    expectLinkErrorReport(ctx, "Communication error! \nYou may have to reduce baudrate!");
    EXPECT_EQ(sensor->requests(), GetParam().requests);
    // What the operator entered stays on the page.
    EXPECT_EQ(fields(pageValues()), fields({1, 500, 100, 0x1F}));
}

INSTANTIATE_TEST_SUITE_P(
    Orders, FailingOrder,
    testing::Values(FailingOrderCase{"WriteRamSendsNoStore",
                                     "1",
                                     true,
                                     {"55 01 00 00 08 00 DC E0 01 00 F4 01 64 00 1F 00"}},
                    FailingOrderCase{"LoadEepromSendsNoRead", "4", false, {kLoadEeprom}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace qv::test
