#include "protocol/Frame.h"

#include <algorithm>

#include "protocol/Crc8.h"
#include "protocol/LinkError.h"
#include "protocol/ProtocolMessages.h"

namespace qv {

void FillTxBuf(Context& ctx, int order, unsigned parameter, unsigned length) {
    auto& frame = ctx.proto.RequestFrame;
    const int payload = std::min(static_cast<int>(length & 0xFFFF), kMaxDataLength);
    frame[0] = kFrameStart;
    frame[1] = static_cast<std::uint8_t>(order);
    frame[2] = static_cast<std::uint8_t>(parameter);
    frame[3] = static_cast<std::uint8_t>(parameter >> 8);
    frame[4] = static_cast<std::uint8_t>(payload);
    frame[5] = static_cast<std::uint8_t>(payload >> 8);
    frame[6] = static_cast<std::uint8_t>(
        payload == 0 ? kCrc8Start : crc8Update(frame.data(), kHeaderSize, payload));
    frame[7] = static_cast<std::uint8_t>(crc8Update(frame.data(), 0, kHeaderSize - 1));
    std::copy_n(frame.begin(), kHeaderSize + payload, ctx.proto.TransmitBuffer.begin());
}

int CheckHeaderCRC(Context& ctx) {
    const auto& bytes = ctx.proto.ResponseBuffer;
    const unsigned length = bytes[4] + 256u * bytes[5];
    // Over the whole header the CRC comes out 0 exactly when the last byte matches the rest.
    // A length beyond the buffer cannot be a reply of this sensor; refusing it here keeps
    // every later read inside ResponseBuffer.
    if (crc8Update(bytes.data(), 0, kHeaderSize) != 0 || bytes[0] != kFrameStart ||
        length > static_cast<unsigned>(kMaxDataLength)) {
        ReportLinkError(ctx, kInvalidHeaderMessage);
        return -1;
    }
    ctx.proto.ResponseHeader.order = bytes[1];
    ctx.proto.ResponseHeader.parameter = static_cast<std::uint16_t>(bytes[2] + 256 * bytes[3]);
    ctx.proto.ResponseHeader.length = static_cast<std::uint16_t>(length);
    ctx.proto.ResponseHeader.dataCrc = bytes[6];
    return 1;
}

}  // namespace qv
