// The request/response exchange on both links, on the fake clock: what is sent, how long each
// wait lasts, and the one report every failure ends in.

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "ProtocolTestSupport.h"

namespace qv::test {
namespace {

// ReadRam answers and their pieces.
const Bytes kRamHeader = {0x55, 0x02, 0x00, 0x00, 0x08, 0x00, 0x6E, 0x37};  // 8 bytes, CRC 6E
const Bytes kRamData = {0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 0x70, 0x80};
const Bytes kRamDataBadCrc = {0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 0x70, 0x81};
const ResponseHeaderFields kRamFields{2, 0, 8, 0x6E};
const Bytes kEmptyReply = {0x55, 0x02, 0x00, 0x00, 0x00, 0x00, 0xAA, 0xB9};

Bytes concat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

struct Delivery {
    double at;  // seconds after the request
    Bytes bytes;
};

struct FailureCase {
    const char* name;
    LinkProtocol link;
    std::vector<Delivery> deliveries;
    const Report* report;
    // The header the exchange leaves behind; nullopt: the earlier one, untouched.
    std::optional<ResponseHeaderFields> header;
    // Serial only: error bits the port reports at this time (seconds after the request).
    std::optional<double> statusBitsAt = std::nullopt;
};

const FailureCase kFailures[] = {
    {"SerialSilent", LINK_RS232, {}, &kTimeoutReport, std::nullopt},
    {"TcpSilent", LINK_TCPIP, {}, &kTimeoutReport, std::nullopt},
    {"SerialHeaderShort",
     LINK_RS232,
     {{0.5, Bytes(kRamHeader.begin(), kRamHeader.begin() + 7)}},
     &kTimeoutReport,
     std::nullopt},
    {"TcpHeaderShort",
     LINK_TCPIP,
     {{0.5, Bytes(kRamHeader.begin(), kRamHeader.begin() + 7)}},
     &kTimeoutReport,
     std::nullopt},
    {"SerialHeaderAfterDeadline", LINK_RS232, {{3.5, kEmptyReply}}, &kTimeoutReport, std::nullopt},
    {"SerialStatusBitsAfterHeader",
     LINK_RS232,
     {{0.5, kEmptyReply}},
     &kTimeoutReport,
     std::nullopt,
     0.1},
    {"SerialHeaderCrcWrong",
     LINK_RS232,
     {{0.5, {0x55, 0x02, 0x00, 0x00, 0x00, 0x00, 0xAA, 0xB8}}},
     &kInvalidHeaderReport,
     std::nullopt},
    {"TcpStartByteWrong",
     LINK_TCPIP,
     {{0.5, {0x54, 0x02, 0x00, 0x00, 0x00, 0x00, 0xAA, 0x84}}},
     &kInvalidHeaderReport,
     std::nullopt},
    {"SerialHeaderOverLong",
     LINK_RS232,
     {{0.5, {0x55, 0x02, 0x00, 0x00, 0xF9, 0x07, 0x00, 0x05}}},
     &kInvalidHeaderReport,
     std::nullopt},
    {"TcpHeaderOverLong",
     LINK_TCPIP,
     {{0.5, concat({0x55, 0x02, 0x00, 0x00, 0xFF, 0xFF, 0x00, 0x3B}, Bytes(2100, 0x11))}},
     &kInvalidHeaderReport,
     std::nullopt},
    // An error reply is a valid header: it replaces the earlier one.
    {"TcpErrorReplyUnknownOrder",
     LINK_TCPIP,
     {{0.5, {0x55, 0x00, 0x01, 0x00, 0x00, 0x00, 0xAA, 0x1A}}},
     &kInvalidOrderReport,
     ResponseHeaderFields{0, 1, 0, 0xAA}},
    {"SerialErrorReplyCommunication",
     LINK_RS232,
     {{0.5, {0x55, 0x00, 0x02, 0x00, 0x00, 0x00, 0xAA, 0x54}}},
     &kCommunicationErrorReport,
     ResponseHeaderFields{0, 2, 0, 0xAA}},
    {"SerialDataShort",
     LINK_RS232,
     {{0.5, kRamHeader}, {0.6, Bytes(kRamData.begin(), kRamData.begin() + 7)}},
     &kTimeoutReport,
     kRamFields},
    {"TcpDataShort",
     LINK_TCPIP,
     {{0.5, concat(kRamHeader, Bytes(kRamData.begin(), kRamData.begin() + 4))}},
     &kTimeoutReport,
     kRamFields},
    // The data wait starts when the header is taken at 0.5 and ends 3.0 s later.
    {"TcpDataAfterDeadline",
     LINK_TCPIP,
     {{0.5, kRamHeader}, {3.6, kRamData}},
     &kTimeoutReport,
     kRamFields},
    {"SerialStatusBitsAfterData",
     LINK_RS232,
     {{0.5, kRamHeader}, {0.7, kRamData}},
     &kTimeoutReport,
     kRamFields,
     0.6},
    {"SerialDataCrcWrong",
     LINK_RS232,
     {{0.5, kRamHeader}, {0.6, kRamDataBadCrc}},
     &kInvalidDataReport,
     kRamFields},
    {"TcpDataCrcWrong",
     LINK_TCPIP,
     {{0.5, concat(kRamHeader, kRamDataBadCrc)}},
     &kInvalidDataReport,
     kRamFields},
};

void PrintTo(const FailureCase& c, std::ostream* os) {
    *os << c.name;
}

class ExchangeFailureTest
    : public LinkTest,
      public ::testing::WithParamInterface<std::tuple<FailureCase, Language>> {};

TEST_P(ExchangeFailureTest, EndsInItsOneReport) {
    const auto& [c, language] = GetParam();
    ctx.app.language = language;
    useLink(c.link);
    for (const Delivery& d : c.deliveries) {
        deliver(d.at, d.bytes);
    }
    if (c.statusBitsAt) {
        panel.events.schedule(t0 + *c.statusBitsAt,
                              [this] { panel.serial.setComStat(kPort, 0x04); });
    }

    EXPECT_EQ(exchangeReadRam(), -1);

    expectReport(c.report->in(language));
    EXPECT_EQ(fields(ctx.proto.ResponseHeader), fields(c.header.value_or(kEarlierHeader)));
    EXPECT_GE(ctx.proto.RxCount, 0);
    EXPECT_LE(ctx.proto.RxCount, kFrameBufferSize);
}

INSTANTIATE_TEST_SUITE_P(Failures, ExchangeFailureTest,
                         ::testing::Combine(::testing::ValuesIn(kFailures),
                                            ::testing::Values(LANGUAGE_GERMAN, LANGUAGE_ENGLISH)),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).name) +
                                    (std::get<1>(info.param) == LANGUAGE_GERMAN ? "German"
                                                                                : "English");
                         });

struct AcceptedCase {
    const char* name;
    Bytes reply;
    ResponseHeaderFields header;
};

// order 0 with any code but 1 and 2 is an ordinary reply; with length 0 the data CRC byte
// means nothing.
const AcceptedCase kAccepted[] = {
    {"ErrorCode0", {0x55, 0x00, 0x00, 0x00, 0x00, 0x00, 0xAA, 0xD7}, {0, 0, 0, 0xAA}},
    {"ErrorCode3", {0x55, 0x00, 0x03, 0x00, 0x00, 0x00, 0xAA, 0x99}, {0, 3, 0, 0xAA}},
    {"DataCrc00", {0x55, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x68}, {2, 0, 0, 0x00}},
    {"DataCrc77", {0x55, 0x02, 0x00, 0x00, 0x00, 0x00, 0x77, 0x13}, {2, 0, 0, 0x77}},
    {"Parameter1234", {0x55, 0x03, 0x34, 0x12, 0x00, 0x00, 0x5A, 0x5E}, {3, 0x1234, 0, 0x5A}},
};

void PrintTo(const AcceptedCase& c, std::ostream* os) {
    *os << c.name;
}

class HeaderOnlyReplyTest
    : public LinkTest,
      public ::testing::WithParamInterface<std::tuple<AcceptedCase, LinkProtocol>> {};

TEST_P(HeaderOnlyReplyTest, CompletesAfterTheHeader) {
    const auto& [c, link] = GetParam();
    useLink(link);
    deliver(0.5, c.reply);
    // Anything after the header must not be waited for.
    deliver(1.0, kRamData);

    EXPECT_EQ(exchangeReadRam(), 1);

    EXPECT_EQ(fields(ctx.proto.ResponseHeader), fields(c.header));
    expectNoReport();
    EXPECT_DOUBLE_EQ(panel.clock.now(), t0 + 0.5);
    if (link == LINK_RS232) {
        EXPECT_EQ(
            panel.serial.log(kPort),
            (std::vector<std::string>{"flushInQ", "flushOutQ", "write 55 02 00 00 00 00 AA B9",
                                      "getComStat", "read 8"}));
    }
}

INSTANTIATE_TEST_SUITE_P(Accepted, HeaderOnlyReplyTest,
                         ::testing::Combine(::testing::ValuesIn(kAccepted),
                                            ::testing::Values(LINK_RS232, LINK_TCPIP)),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).name) +
                                    (std::get<1>(info.param) == LINK_RS232 ? "Serial" : "Tcp");
                         });

class DataReplyTest : public LinkTest, public ::testing::WithParamInterface<LinkProtocol> {};

TEST_P(DataReplyTest, DataFollowTheHeaderInTheResponseBuffer) {
    useLink(GetParam());
    deliver(0.5, kRamHeader);
    deliver(0.8, Bytes(kRamData.begin(), kRamData.begin() + 3));
    deliver(1.2, Bytes(kRamData.begin() + 3, kRamData.end()));

    EXPECT_EQ(exchangeReadRam(), 1);

    const auto& rx = ctx.proto.ResponseBuffer;
    EXPECT_EQ(Bytes(rx.begin(), rx.begin() + 16), concat(kRamHeader, kRamData));
    EXPECT_EQ(rx[16], 0);
    EXPECT_EQ(fields(ctx.proto.ResponseHeader), fields(kRamFields));
    expectNoReport();
    EXPECT_DOUBLE_EQ(panel.clock.now(), t0 + 1.2);
}

INSTANTIATE_TEST_SUITE_P(Links, DataReplyTest, ::testing::Values(LINK_RS232, LINK_TCPIP),
                         [](const auto& info) {
                             return std::string(info.param == LINK_RS232 ? "Serial" : "Tcp");
                         });

using SerialExchangeTest = LinkTest;

TEST_F(SerialExchangeTest, StaleBytesAreDiscardedBeforeTheRequest) {
    useLink(LINK_RS232);
    // The end of an earlier answer that would read as an error reply.
    panel.serial.pushInput(kPort, {0x55, 0x00, 0x01, 0x00, 0x00, 0x00, 0xAA, 0x1A});
    deliver(0.5, concat(kRamHeader, kRamData));

    FillTxBuf(ctx, ReadFirmwareId, 0, 0);
    EXPECT_EQ(DataExchange(ctx, 8), 1);

    EXPECT_EQ(panel.serial.log(kPort),
              (std::vector<std::string>{"flushInQ", "flushOutQ", "write 55 07 00 00 00 00 AA 52",
                                        "getComStat", "read 8", "getComStat", "read 8"}));
    EXPECT_EQ(fields(ctx.proto.ResponseHeader), fields(kRamFields));
    expectNoReport();
}

TEST_F(SerialExchangeTest, HeaderInTwoPiecesWithinTheWaitIsOneHeader) {
    useLink(LINK_RS232);
    deliver(0.5, {0x55, 0x03, 0x34, 0x12});
    deliver(2.9, {0x00, 0x00, 0x5A, 0x5E});
    // The window stays usable while the exchange waits.
    bool operatorClickHandled = false;
    panel.events.schedule(t0 + 1.0, [&] { operatorClickHandled = true; });

    EXPECT_EQ(exchangeReadRam(), 1);

    EXPECT_EQ(fields(ctx.proto.ResponseHeader), fields(ResponseHeaderFields{3, 0x1234, 0, 0x5A}));
    EXPECT_TRUE(operatorClickHandled);
    expectNoReport();
}

TEST_F(SerialExchangeTest, NegativeStatusIsNoErrorBits) {
    useLink(LINK_RS232);
    panel.serial.setComStat(kPort, SERIAL_IO_ERROR);
    deliver(0.5, concat(kRamHeader, kRamData));

    EXPECT_EQ(exchangeReadRam(), 1);

    EXPECT_EQ(ctx.proto.PortStatus, SERIAL_IO_ERROR);
    expectNoReport();
}

TEST_F(SerialExchangeTest, PassThatFindsTimeUpAndTheHeaderThereSucceeds) {
    useLink(LINK_RS232);
    deliver(3.0005, kEmptyReply);

    EXPECT_EQ(exchangeReadRam(), 1);

    EXPECT_EQ(fields(ctx.proto.ResponseHeader), fields(ResponseHeaderFields{2, 0, 0, 0xAA}));
    expectNoReport();
}

TEST_F(SerialExchangeTest, SilentSensorIsReportedAfterTheWaitAndTheReadTimeOut) {
    useLink(LINK_RS232);

    EXPECT_EQ(exchangeReadRam(), -1);

    // 3.0 s of waiting, then the read of the header blocks for the port's 2.0 s.
    EXPECT_NEAR(panel.clock.now() - t0, 5.0, 0.01);
    expectReport(kTimeoutReport.english);
}

TEST_F(SerialExchangeTest, OverLongHeaderReadsNoData) {
    useLink(LINK_RS232);
    deliver(0.5, concat({0x55, 0x02, 0x00, 0x00, 0xFF, 0xFF, 0x00, 0x3B}, Bytes(2100, 0x11)));

    EXPECT_EQ(exchangeReadRam(), -1);

    EXPECT_EQ(panel.serial.log(kPort).back(), "read 8");
    EXPECT_EQ(panel.serial.inputLength(kPort), 2100);
    expectReport(kInvalidHeaderReport.english);
}

using TcpExchangeTest = LinkTest;

TEST_F(TcpExchangeTest, RequestIsWrittenWithItsTimeLimit) {
    useLink(LINK_TCPIP);
    deliver(0.5, kEmptyReply);
    FillTxBuf(ctx, SetBaudrate, 4, 0);

    EXPECT_EQ(DataExchange(ctx, 8), 1);

    ASSERT_EQ(panel.tcp.writes().size(), 1u);
    EXPECT_EQ(panel.tcp.writes()[0].bytes, (Bytes{0x55, 0xBE, 0x04, 0x00, 0x00, 0x00, 0xAA, 0xDC}));
    EXPECT_EQ(panel.tcp.writes()[0].timeoutMs, 2000);
    EXPECT_EQ(panel.tcp.reads().at(0).timeoutMs, 5000);
}

TEST_F(TcpExchangeTest, WaitBlocksInsteadOfPolling) {
    useLink(LINK_TCPIP);

    EXPECT_EQ(exchangeReadRam(), -1);

    // One wait up to the deadline and at most a couple of short ones around it; every pass
    // handled events first.
    EXPECT_LE(panel.events.waitCount(), 3);
    EXPECT_GE(panel.events.processCount(), panel.events.waitCount());
    EXPECT_NEAR(panel.clock.now() - t0, 3.0, 0.01);
}

TEST_F(TcpExchangeTest, LateBytesOfAnEarlierAnswerCountTowardTheNextOne) {
    useLink(LINK_TCPIP);
    deliver(0.5, concat(kRamHeader, Bytes(kRamData.begin(), kRamData.begin() + 4)));
    ASSERT_EQ(exchangeReadRam(), -1);
    restoreWorkingLink();

    // The rest of that answer, then the answer to the new request.
    panel.tcp.deliverIn(0.2, Bytes(kRamData.begin() + 4, kRamData.end()));
    panel.tcp.deliverIn(0.3, kEmptyReply);
    FillTxBuf(ctx, StoreEeprom, 0, 0);
    EXPECT_EQ(DataExchange(ctx, 8), -1);

    const auto& rx = ctx.proto.ResponseBuffer;
    EXPECT_EQ(Bytes(rx.begin(), rx.begin() + 12), concat({0x50, 0x60, 0x70, 0x80}, kEmptyReply));
    EXPECT_EQ(ctx.proto.RxCount, 12);
    expectReport(kInvalidHeaderReport.english);
}

TEST_F(TcpExchangeTest, NothingIsStoredPastTheEndOfTheResponseBuffer) {
    useLink(LINK_TCPIP);
    // The longest reply (2040 data bytes whose CRC is 0x55), then 952 bytes too many.
    Bytes stream = {0x55, 0x02, 0x00, 0x00, 0xF8, 0x07, 0x55, 0x4A};
    for (int i = 0; i < 2040; ++i) {
        stream.push_back(static_cast<std::uint8_t>(i));
    }
    stream.insert(stream.end(), 952, 0xEE);
    for (int piece = 0; piece < 3; ++piece) {
        deliver(0.5 + 0.1 * piece,
                Bytes(stream.begin() + 1000 * piece, stream.begin() + 1000 * (piece + 1)));
    }

    EXPECT_EQ(exchangeReadRam(), 1);

    EXPECT_EQ(ctx.proto.RxCount, kFrameBufferSize);
    EXPECT_EQ(ctx.proto.ResponseBuffer[2047], 0xF7);
    EXPECT_EQ(fields(ctx.proto.ResponseHeader), fields(ResponseHeaderFields{2, 0, 2040, 0x55}));
    EXPECT_EQ(panel.tcp.unread(), 952);
    std::vector<int> capacities;
    for (const auto& read : panel.tcp.reads()) {
        capacities.push_back(read.capacity);
    }
    EXPECT_EQ(capacities, (std::vector<int>{2048, 1048, 48}));
    expectNoReport();
}

TEST_F(TcpExchangeTest, ReceiveKeepsTheCountWhenAReadFails) {
    useLink(LINK_TCPIP);
    ctx.proto.RxCount = 5;
    panel.tcp.failNextRead(TCP_READ_FAILED);
    panel.tcp.deliverIn(0, {1, 2, 3});
    panel.events.processSystemEvents();
    EXPECT_EQ(ctx.proto.RxCount, 5);

    EXPECT_EQ(ReceiveTcpData(ctx), 3);
    EXPECT_EQ(ctx.proto.RxCount, 8);
    EXPECT_EQ(ctx.proto.ResponseBuffer[5], 1);

    // A full buffer offers no room at all.
    ctx.proto.RxCount = kFrameBufferSize;
    panel.tcp.deliverIn(0, {4});
    panel.events.processSystemEvents();
    EXPECT_EQ(ctx.proto.RxCount, kFrameBufferSize);
    EXPECT_EQ(panel.tcp.reads().back().capacity, 0);
}

}  // namespace
}  // namespace qv::test
