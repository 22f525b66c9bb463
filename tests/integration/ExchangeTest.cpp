// DataExchange over loopback TCP and a pseudo-terminal against the simulated sensor.

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <tuple>

#include "RealLinkTest.h"
#include "protocol/DataExchange.h"
#include "protocol/Frame.h"
#include "support/LinkReports.h"

namespace qv::test {
namespace {

constexpr char kFirmware[] = "QUORVANE V1.0.0";

struct FaultCase {
    const char* name;
    QStringList arguments;
    // nullptr: the exchange succeeds.
    const Report* report;
};

void PrintTo(const FaultCase& c, std::ostream* os) {
    *os << c.name;
}

const FaultCase kFaultCases[] = {
    {"Normal", {}, nullptr},
    {"SplitIntoPieces", {"--split", "3", "--split-gap", "40"}, nullptr},
    {"Delayed", {"--delay", "300"}, nullptr},
    {"Silent", {"--silent"}, &kTimeoutReport},
    {"BadHeaderCrc", {"--bad-header-crc"}, &kInvalidHeaderReport},
    {"BadDataCrc", {"--bad-data-crc"}, &kInvalidDataReport},
    {"ErrorReply1", {"--error-reply", "1"}, &kInvalidOrderReport},
    {"ErrorReply2", {"--error-reply", "2"}, &kCommunicationErrorReport},
    // Announces 3000 data bytes, more than the response buffer holds after the header.
    {"OverlongLength", {"--overlong"}, &kInvalidHeaderReport},
};

class Exchange : public RealLinkTest,
                 public testing::WithParamInterface<std::tuple<LinkProtocol, FaultCase>> {};

TEST_P(Exchange, ReadFirmwareIdEndsAsTheSensorAnswers) {
    const auto& [link, fault] = GetParam();
    connectTo(link, fault.arguments);
    if (HasFatalFailure()) {
        return;
    }
    FillTxBuf(ctx, ReadFirmwareId, 0, 0);
    const int result = DataExchange(ctx, 8);

    ASSERT_EQ(sensor->requests(), std::vector<std::string>{"55 07 00 00 00 00 AA 52"});
    if (fault.report == nullptr) {
        EXPECT_EQ(result, 1) << statusBox();
        EXPECT_EQ(ctx.proto.ResponseHeader.order, ReadFirmwareId);
        EXPECT_EQ(ctx.proto.ResponseHeader.length, sizeof kFirmware - 1);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(&ctx.proto.ResponseBuffer[8]),
                              sizeof kFirmware - 1),
                  kFirmware);
        EXPECT_EQ(statusBox(), "");
        EXPECT_EQ(ctx.link.LinkOk, 1);
    } else {
        EXPECT_EQ(result, -1);
        expectLinkErrorReport(ctx, fault.report->english);
        // Exactly one report.
        EXPECT_EQ(statusBox(), std::string(fault.report->english) + "\n\n");
    }
}

INSTANTIATE_TEST_SUITE_P(Faults, Exchange,
                         testing::Combine(testing::Values(LINK_TCPIP, LINK_RS232),
                                          testing::ValuesIn(kFaultCases)),
                         [](const auto& info) {
                             return std::string(linkName(std::get<0>(info.param))) +
                                    std::get<1>(info.param).name;
                         });

class Exchanges : public RealLinkTest, public testing::WithParamInterface<LinkProtocol> {};

TEST_P(Exchanges, FollowOneAnotherOnOneLink) {
    connectTo(GetParam(), {"--serial", "1234", "--name", "Line 3"});
    if (HasFatalFailure()) {
        return;
    }
    FillTxBuf(ctx, ReadSerialNumber, 0, 0);
    ASSERT_EQ(DataExchange(ctx, 8), 1) << statusBox();
    EXPECT_EQ(ctx.proto.ResponseHeader.parameter, 1234);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&ctx.proto.ResponseBuffer[8]), 6),
              "Line 3");
    FillTxBuf(ctx, ReadRam, 0, 0);
    ASSERT_EQ(DataExchange(ctx, 8), 1) << statusBox();
    EXPECT_EQ(ctx.proto.ResponseHeader.order, ReadRam);
    EXPECT_EQ(ctx.proto.ResponseHeader.length, 8);
    EXPECT_EQ(sensor->requests(),
              (std::vector<std::string>{"55 0F 00 00 00 00 AA F3", "55 02 00 00 00 00 AA B9"}));
}

INSTANTIATE_TEST_SUITE_P(Links, Exchanges, testing::Values(LINK_TCPIP, LINK_RS232),
                         [](const auto& info) { return std::string(linkName(info.param)); });

TEST_F(RealLinkTest, TcpStoresNothingPastTheBufferEnd) {
    connectTo(LINK_TCPIP, {"--overlong"});
    if (HasFatalFailure()) {
        return;
    }
    FillTxBuf(ctx, ReadRam, 0, 0);
    ASSERT_EQ(DataExchange(ctx, 8), -1);
    // The rest of the 8 + 3000 bytes keeps coming; the receive handler fills the buffer to
    // its end and no further.
    runEvents(0.5);
    EXPECT_EQ(ctx.proto.RxCount, kFrameBufferSize);
    EXPECT_EQ(ctx.proto.ResponseBuffer[0], 0x55);
}

TEST_F(RealLinkTest, TcpServerClosingIsReportedAndLaterRequestsTimeOut) {
    connectTo(LINK_TCPIP, {"--drop-after", "1"});
    if (HasFatalFailure()) {
        return;
    }
    FillTxBuf(ctx, ReadFirmwareId, 0, 0);
    ASSERT_EQ(DataExchange(ctx, 8), 1) << statusBox();
    for (int i = 0; i < 50 && ctx.link.tcpConnected != 0; ++i) {
        runEvents(0.1);
    }
    expectLinkErrorReport(ctx, "Server has closed connection!");
    EXPECT_EQ(statusBox(), "Server has closed connection!\n\n");
    EXPECT_EQ(ctx.link.tcpHandle, 0u);
    EXPECT_EQ(ctx.link.tcpConnected, 0);

    // Written to no conversation, the request gets no answer.
    makeLinkWork(ctx);
    FillTxBuf(ctx, ReadFirmwareId, 0, 0);
    EXPECT_EQ(DataExchange(ctx, 8), -1);
    EXPECT_EQ(statusBox(),
              std::string("Server has closed connection!\n\n") + kTimeoutReport.english + "\n\n");
}

TEST_F(RealLinkTest, SerialDeviceThatGoesAwayTimesOutAndCanBeOpenedAgain) {
    // After one answer the simulator hangs up its terminal, as a pulled USB adapter does, and
    // offers a new one under the same name.
    connectTo(LINK_RS232, {"--drop-after", "1"});
    if (HasFatalFailure()) {
        return;
    }
    FillTxBuf(ctx, ReadFirmwareId, 0, 0);
    ASSERT_EQ(DataExchange(ctx, 8), 1) << statusBox();
    runEvents(0.2);

    FillTxBuf(ctx, ReadFirmwareId, 0, 0);
    EXPECT_EQ(DataExchange(ctx, 8), -1);
    expectLinkErrorReport(ctx, kTimeoutReport.english);

    InitRS232(ctx);
    ASSERT_GE(ctx.link.LinkOpenResult, 0) << statusBox();
    makeLinkWork(ctx);
    FillTxBuf(ctx, ReadFirmwareId, 0, 0);
    EXPECT_EQ(DataExchange(ctx, 8), 1) << statusBox();
}

}  // namespace
}  // namespace qv::test
