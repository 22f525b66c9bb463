// Request frames as they go on the wire, the CRC-8 they carry, and the judgement of a
// received header.

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <string>
#include <vector>

#include "ProtocolTestSupport.h"
#include "protocol/Crc8.h"
#include "protocol/LinkError.h"

namespace qv::test {
namespace {

TEST(Crc8Test, KnownValues) {
    const std::uint8_t abc[] = {'x', 'a', 'b', 'c'};
    EXPECT_EQ(crc8Update(abc, 1, 3), 0xDE);
    EXPECT_EQ(crc8Update(abc, 0, 0), 0xAA);
    EXPECT_EQ(Crc8Table[0], 0x00);
    EXPECT_EQ(Crc8Table[1], 0x5E);
    EXPECT_EQ(Crc8Table[255], 0x35);
}

struct RequestCase {
    const char* name;
    int order;
    unsigned parameter;
    Bytes payload;
    Bytes wire;
};

const RequestCase kRequests[] = {
    {"ReadFirmwareId", ReadFirmwareId, 0, {}, {0x55, 0x07, 0x00, 0x00, 0x00, 0x00, 0xAA, 0x52}},
    {"ReadSerialNumber", ReadSerialNumber, 0, {}, {0x55, 0x0F, 0x00, 0x00, 0x00, 0x00, 0xAA, 0xF3}},
    {"ReadRam", ReadRam, 0, {}, {0x55, 0x02, 0x00, 0x00, 0x00, 0x00, 0xAA, 0xB9}},
    {"StoreEeprom", StoreEeprom, 0, {}, {0x55, 0x03, 0x00, 0x00, 0x00, 0x00, 0xAA, 0x8E}},
    {"LoadEeprom", LoadEeprom, 0, {}, {0x55, 0x04, 0x00, 0x00, 0x00, 0x00, 0xAA, 0x0B}},
    {"SetBaudrate4", SetBaudrate, 4, {}, {0x55, 0xBE, 0x04, 0x00, 0x00, 0x00, 0xAA, 0xDC}},
    {"SetBaudrate7", SetBaudrate, 7, {}, {0x55, 0xBE, 0x07, 0x00, 0x00, 0x00, 0xAA, 0x92}},
    {"ReadHwInfo",
     ReadHwInfo,
     kReadHwInfoParameter,
     {},
     {0x55, 0xC2, 0x93, 0x5E, 0x00, 0x00, 0xAA, 0x12}},
    {"WriteRam",
     WriteRam,
     0,
     {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08},
     {0x55, 0x01, 0x00, 0x00, 0x08, 0x00, 0x15, 0xB6, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07,
      0x08}},
    // Only the low 8 bits of the order and the low 16 of the parameter are sent.
    {"WideArgumentsCut",
     0x100 | SetBaudrate,
     0x30004,
     {},
     {0x55, 0xBE, 0x04, 0x00, 0x00, 0x00, 0xAA, 0xDC}},
};

void PrintTo(const RequestCase& c, std::ostream* os) {
    *os << c.name;
}

class FillTxBufTest : public LinkTest, public ::testing::WithParamInterface<RequestCase> {};

TEST_P(FillTxBufTest, BuildsTheWireBytes) {
    const RequestCase& c = GetParam();
    // Leftovers of a longer earlier request must not leak into this one.
    ctx.proto.TransmitBuffer.fill(0xEE);
    std::copy(c.payload.begin(), c.payload.end(), ctx.proto.RequestFrame.begin() + 8);
    FillTxBuf(ctx, c.order, c.parameter, static_cast<unsigned>(c.payload.size()));

    const auto& tx = ctx.proto.TransmitBuffer;
    EXPECT_EQ(Bytes(tx.begin(), tx.begin() + c.wire.size()), c.wire);
    EXPECT_EQ(tx[c.wire.size()], 0xEE) << "copied more than the frame";
    const auto& frame = ctx.proto.RequestFrame;
    EXPECT_EQ(Bytes(frame.begin(), frame.begin() + c.wire.size()), c.wire);
}

INSTANTIATE_TEST_SUITE_P(Requests, FillTxBufTest, ::testing::ValuesIn(kRequests),
                         [](const auto& info) { return std::string(info.param.name); });

struct HeaderCase {
    const char* name;
    Bytes header;
    bool valid;
    ResponseHeaderFields fields;  // when valid
};

const HeaderCase kHeaders[] = {
    {"NormalReply", {0x55, 0x03, 0x34, 0x12, 0x00, 0x00, 0x5A, 0x5E}, true, {3, 0x1234, 0, 0x5A}},
    {"ErrorReply", {0x55, 0x00, 0x01, 0x00, 0x00, 0x00, 0xAA, 0x1A}, true, {0, 1, 0, 0xAA}},
    {"LongestData", {0x55, 0x02, 0x00, 0x00, 0xF8, 0x07, 0x00, 0xAE}, true, {2, 0, 2040, 0}},
    {"CrcWrong", {0x55, 0x03, 0x34, 0x12, 0x00, 0x00, 0x5A, 0x5F}, false, {}},
    {"StartByteWrongCrcRight", {0x54, 0x02, 0x00, 0x00, 0x00, 0x00, 0xAA, 0x84}, false, {}},
    {"AllZero", {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}, false, {}},
    // More data than ResponseBuffer holds after the header.
    {"DataOneByteTooLong", {0x55, 0x02, 0x00, 0x00, 0xF9, 0x07, 0x00, 0x05}, false, {}},
    {"DataLengthFFFF", {0x55, 0x02, 0x00, 0x00, 0xFF, 0xFF, 0x00, 0x3B}, false, {}},
};

void PrintTo(const HeaderCase& c, std::ostream* os) {
    *os << c.name;
}

class CheckHeaderTest : public LinkTest, public ::testing::WithParamInterface<HeaderCase> {};

TEST_P(CheckHeaderTest, JudgesAndUnpacksOrReportsAndKeepsTheLastHeader) {
    const HeaderCase& c = GetParam();
    ctx.app.language = LANGUAGE_ENGLISH;
    std::copy(c.header.begin(), c.header.end(), ctx.proto.ResponseBuffer.begin());
    if (c.valid) {
        EXPECT_EQ(CheckHeaderCRC(ctx), 1);
        EXPECT_EQ(fields(ctx.proto.ResponseHeader), fields(c.fields));
        expectNoReport();
    } else {
        EXPECT_EQ(CheckHeaderCRC(ctx), -1);
        EXPECT_EQ(fields(ctx.proto.ResponseHeader), fields(kEarlierHeader));
        expectReport(kInvalidHeaderReport.english);
    }
}

INSTANTIATE_TEST_SUITE_P(Headers, CheckHeaderTest, ::testing::ValuesIn(kHeaders),
                         [](const auto& info) { return std::string(info.param.name); });

using LinkErrorTest = LinkTest;

TEST_F(LinkErrorTest, SetTimeoutReportsWhateverStatusMessageHolds) {
    ctx.proto.StatusMessage = "Server has closed connection!";
    SetTimeout(ctx);
    expectReport("Server has closed connection!");
}

TEST_F(LinkErrorTest, ReportIsCutToWhatTheMessageBufferHolds) {
    const std::string longText(300, 'x');
    ReportLinkError(ctx, {longText.c_str(), longText.c_str()});
    expectReport(std::string(255, 'x'));
}

}  // namespace
}  // namespace qv::test
