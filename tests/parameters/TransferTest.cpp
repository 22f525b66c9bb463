// Moving the parameter set to and from the sensor: the requests on the wire, the sensor's
// plausibility reports and where a failed exchange stops the transfer.

#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <vector>

#include "parameters/PanelMapping.h"
#include "parameters/Transfer.h"
#include "protocol/DataExchange.h"
#include "protocol/Frame.h"
#include "support/LinkReports.h"
#include "support/TestPanel.h"

namespace qv {
namespace {

using Bytes = std::vector<std::uint8_t>;

const Bytes kWriteRamRequest = {0x55, 0x01, 0x00, 0x00, 0x08, 0x00, 0xDC, 0xE0,
                                0x01, 0x00, 0xF4, 0x01, 0x64, 0x00, 0x1F, 0x00};
const Bytes kReadRamRequest = {0x55, 0x02, 0x00, 0x00, 0x00, 0x00, 0xAA, 0xB9};
const Bytes kStoreEepromRequest = {0x55, 0x03, 0x00, 0x00, 0x00, 0x00, 0xAA, 0x8E};
const Bytes kLoadEepromRequest = {0x55, 0x04, 0x00, 0x00, 0x00, 0x00, 0xAA, 0x0B};

const Bytes kWriteRamAccepted = {0x55, 0x01, 0x00, 0x00, 0x00, 0x00, 0xAA, 0xE0};
const Bytes kWriteRamThreeReset = {0x55, 0x01, 0x03, 0x00, 0x00, 0x00, 0xAA, 0xAE};
const Bytes kWriteRamAllReset = {0x55, 0x01, 0xFF, 0xFF, 0x00, 0x00, 0xAA, 0xC2};
const Bytes kStoreEepromDone = {0x55, 0x03, 0x00, 0x00, 0x00, 0x00, 0xAA, 0x8E};
const Bytes kLoadEepromOneReset = {0x55, 0x04, 0x01, 0x00, 0x00, 0x00, 0xAA, 0xC6};
// ReadRam answers: {1, 500, 100, 0x1F}; a 4-byte block {2, 300}; a 12-byte block whose first
// eight bytes are {0, 1000, 10, 0x0121}.
const Bytes kReadRamFull = {0x55, 0x02, 0x00, 0x00, 0x08, 0x00, 0xDC, 0xB9,
                            0x01, 0x00, 0xF4, 0x01, 0x64, 0x00, 0x1F, 0x00};
const Bytes kReadRamShort = {0x55, 0x02, 0x00, 0x00, 0x04, 0x00,
                             0x67, 0x10, 0x02, 0x00, 0x2C, 0x01};
const Bytes kReadRamLong = {0x55, 0x02, 0x00, 0x00, 0x0C, 0x00, 0x0B, 0xF3, 0x00, 0x00,
                            0xE8, 0x03, 0x0A, 0x00, 0x21, 0x01, 0x09, 0x09, 0x09, 0x09};

// A sensor on the in-memory TCP link that answers each order from its own queue of replies
// shortly after the request; an order with nothing queued gets no answer.
class TransferTest : public test::PanelTest {
  protected:
    void SetUp() override {
        PanelTest::SetUp();
        ctx.linkSettings.protocol = LINK_TCPIP;
        ASSERT_EQ(test::connectReceivingTcp(ctx), 0);
        ctx.link.tcpConnected = 1;
        panel.tcp.onWrite([this](const Bytes& request) {
            auto& queue = replies_[request.at(1)];
            if (!queue.empty()) {
                panel.tcp.deliverIn(0.01, queue.front());
                queue.pop_front();
            }
        });
        test::makeLinkWork(ctx);
    }

    void answer(std::uint8_t order, const Bytes& reply) { replies_[order].push_back(reply); }
    std::vector<Bytes> requests() const {
        std::vector<Bytes> sent;
        for (const auto& w : panel.tcp.writes()) {
            sent.push_back(w.bytes);
        }
        return sent;
    }
    void showOnPage(const ParameterSet& set) {
        ctx.parameterSet = set;
        ShowParameterSet(ctx);
    }
    bool linkButtonsDimmed() const {
        return panel.dimmed(ctx.app.connectionPage, CONNP_BUTTON_ACCEPT) &&
               panel.dimmed(ctx.app.connectionPage, CONNP_BUTTON_CHANGE_BAUDRATE) &&
               panel.dimmed(ctx.app.connectionPage, CONNP_BUTTON_GEN_HW_INFO_FILE);
    }

    std::map<std::uint8_t, std::deque<Bytes>> replies_;
};

TEST_F(TransferTest, WorkedExampleGoesOutAsItsSixteenBytes) {
    showOnPage(ParameterSet{1, 500, 100, 0x1F});
    answer(WriteRam, kWriteRamAccepted);
    SendPara(ctx);
    EXPECT_EQ(requests(), (std::vector<Bytes>{kWriteRamRequest}));
    EXPECT_EQ(panel.statusBox(), "");
    EXPECT_EQ(ctx.link.LinkOk, 1);
}

TEST_F(TransferTest, SendTakesWhatThePageShowsNotWhatTheSetHeld) {
    showOnPage(ParameterSet{1, 500, 100, 0x1F});
    ctx.parameterSet = ParameterSet{2, 9, 9, 0x0100};
    answer(WriteRam, kWriteRamAccepted);
    SendPara(ctx);
    EXPECT_EQ(requests(), (std::vector<Bytes>{kWriteRamRequest}));
    EXPECT_EQ(ctx.parameterSet.outs, 0x1F);
}

TEST_F(TransferTest, EepromTargetStoresAfterAnAcceptedWrite) {
    ctx.app.memoryTarget = MemoryTarget::Eeprom;
    showOnPage(ParameterSet{1, 500, 100, 0x1F});
    answer(WriteRam, kWriteRamAccepted);
    answer(StoreEeprom, kStoreEepromDone);
    SendPara(ctx);
    EXPECT_EQ(requests(), (std::vector<Bytes>{kWriteRamRequest, kStoreEepromRequest}));
    EXPECT_EQ(ctx.link.LinkOk, 1);
}

struct PlausibilityCase {
    const char* name;
    Bytes reply;
    Language language;
    const char* report;
};

void PrintTo(const PlausibilityCase& c, std::ostream* os) {
    *os << c.name;
}

class WritePlausibilityTest : public TransferTest,
                              public ::testing::WithParamInterface<PlausibilityCase> {};

TEST_P(WritePlausibilityTest, ReportIsALinkErrorAndTheEepromIsStillStored) {
    const PlausibilityCase& c = GetParam();
    ctx.app.language = c.language;
    ctx.app.memoryTarget = MemoryTarget::Eeprom;
    showOnPage(ParameterSet{1, 500, 100, 0x1F});
    answer(WriteRam, c.reply);
    answer(StoreEeprom, kStoreEepromDone);
    SendPara(ctx);
    EXPECT_EQ(requests(), (std::vector<Bytes>{kWriteRamRequest, kStoreEepromRequest}));
    EXPECT_EQ(panel.statusBox(), c.report);
    EXPECT_EQ(ctx.link.LinkOk, 0);
    EXPECT_TRUE(linkButtonsDimmed());
    EXPECT_EQ(panel.activePage(), CONNECTION_PAGE_INDEX);
}

INSTANTIATE_TEST_SUITE_P(
    Counts, WritePlausibilityTest,
    ::testing::Values(
        PlausibilityCase{"ThreeEnglish", kWriteRamThreeReset, LANGUAGE_ENGLISH,
                         "Message!\n3 Parameter in RAM did not pass plausibility check and were "
                         "set to default value!\n\n"},
        PlausibilityCase{"ThreeGerman", kWriteRamThreeReset, LANGUAGE_GERMAN,
                         "Info!\n3 Plausibilitaets-Check der Parameter im RAM fehlgeschlagen, "
                         "wurden auf Voreinstellung gesetzt!\n\n"},
        PlausibilityCase{"LargestCountIsUnsigned", kWriteRamAllReset, LANGUAGE_ENGLISH,
                         "Message!\n65535 Parameter in RAM did not pass plausibility check and "
                         "were set to default value!\n\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(TransferTest, FailedWriteSendsNoStore) {
    ctx.app.memoryTarget = MemoryTarget::Eeprom;
    showOnPage(ParameterSet{1, 500, 100, 0x1F});
    SendPara(ctx);  // the sensor stays silent
    EXPECT_EQ(requests(), (std::vector<Bytes>{kWriteRamRequest}));
    EXPECT_EQ(ctx.link.LinkOk, 0);
    EXPECT_EQ(panel.statusBox().rfind("TIMEOUT! ", 0), 0u);
}

TEST_F(TransferTest, GetFromRamShowsTheSensorsSet) {
    showOnPage(ParameterSet{0, 1, 1, 0});
    answer(ReadRam, kReadRamFull);
    GetPara(ctx);
    EXPECT_EQ(requests(), (std::vector<Bytes>{kReadRamRequest}));
    const int page = ctx.app.parameterPage;
    EXPECT_EQ(ctx.ui.value(page, PARAP_EDIT_CTRL_MODE), 1);
    EXPECT_EQ(ctx.ui.value(page, PARAP_NUMKNOB_ON_TIME), 500);
    EXPECT_EQ(ctx.ui.value(page, PARAP_NUMKNOB_OFF_TIME), 100);
    EXPECT_EQ(ctx.ui.value(page, PARAP_TGBTN_OUT5), 0x10);
    EXPECT_FALSE(ctx.ui.dimmed(page, PARAP_NUMKNOB_ON_TIME));
    EXPECT_EQ(panel.activePage(), PARAMETER_PAGE_INDEX);
}

TEST_F(TransferTest, FileTargetReadsRamOnly) {
    ctx.app.memoryTarget = MemoryTarget::File;
    answer(ReadRam, kReadRamFull);
    GetPara(ctx);
    EXPECT_EQ(requests(), (std::vector<Bytes>{kReadRamRequest}));
}

TEST_F(TransferTest, EepromLoadReportIsAppendedAndTheReadGoesOn) {
    ctx.app.memoryTarget = MemoryTarget::Eeprom;
    answer(LoadEeprom, kLoadEepromOneReset);
    answer(ReadRam, kReadRamFull);
    GetPara(ctx);
    EXPECT_EQ(requests(), (std::vector<Bytes>{kLoadEepromRequest, kReadRamRequest}));
    EXPECT_EQ(panel.statusBox(),
              "Message!\n1 Parameter from EEPROM did not pass plausibility check and were set "
              "to default value!\n\n");
    EXPECT_EQ(panel.activePage(), CONNECTION_PAGE_INDEX);
    EXPECT_EQ(ctx.link.LinkOk, 1);
    EXPECT_FALSE(linkButtonsDimmed());
    EXPECT_EQ(ctx.parameterSet.onTime, 500);
    EXPECT_EQ(ctx.ui.value(ctx.app.parameterPage, PARAP_NUMKNOB_ON_TIME), 500);
}

TEST_F(TransferTest, FailedEepromLoadReadsNothingAndChangesNothing) {
    ctx.app.memoryTarget = MemoryTarget::Eeprom;
    showOnPage(ParameterSet{2, 42, 43, 0x05});
    answer(ReadRam, kReadRamFull);
    GetPara(ctx);  // LoadEeprom is not answered
    EXPECT_EQ(requests(), (std::vector<Bytes>{kLoadEepromRequest}));
    EXPECT_EQ(ctx.parameterSet.onTime, 42);
    EXPECT_EQ(ctx.ui.value(ctx.app.parameterPage, PARAP_NUMKNOB_ON_TIME), 42);
    EXPECT_EQ(ctx.link.LinkOk, 0);
}

TEST_F(TransferTest, ShortReadRamBlockReadsMissingBytesAsZeroAndALongOneIsCut) {
    answer(ReadRam, kReadRamShort);
    GetPara(ctx);
    EXPECT_EQ(ctx.parameterSet.controlMode, 2);
    EXPECT_EQ(ctx.parameterSet.onTime, 300);
    EXPECT_EQ(ctx.parameterSet.offTime, 0);
    EXPECT_EQ(ctx.parameterSet.outs, 0);

    answer(ReadRam, kReadRamLong);
    GetPara(ctx);
    EXPECT_EQ(ctx.parameterSet.controlMode, 0);
    EXPECT_EQ(ctx.parameterSet.onTime, 1000);
    EXPECT_EQ(ctx.parameterSet.offTime, 10);
    EXPECT_EQ(ctx.parameterSet.outs, 0x0121);
    EXPECT_TRUE(ctx.ui.dimmed(ctx.app.parameterPage, PARAP_NUMKNOB_ON_TIME));
    EXPECT_NE(ctx.ui.value(ctx.app.parameterPage, PARAP_TGBTN_OUT1), 0);
    EXPECT_EQ(ctx.ui.value(ctx.app.parameterPage, PARAP_TGBTN_OUT2), 0);
}

TEST(ParameterPayload, EncodesLowByteFirst) {
    const auto bytes = EncodeParameterSet(ParameterSet{0x0102, 0xA0B0, 0x00FF, 0x1F00});
    EXPECT_EQ(Bytes(bytes.begin(), bytes.end()),
              (Bytes{0x02, 0x01, 0xB0, 0xA0, 0xFF, 0x00, 0x00, 0x1F}));
}

}  // namespace
}  // namespace qv
