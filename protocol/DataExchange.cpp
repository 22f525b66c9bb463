#include "protocol/DataExchange.h"

#include <algorithm>

#include "protocol/Crc8.h"
#include "protocol/Frame.h"
#include "protocol/LinkError.h"
#include "protocol/ProtocolMessages.h"

namespace qv {

namespace {

// A platform timer resolves milliseconds; asking it to wait less returns at once, and the
// wait would go round without blocking until the clock passed the limit.
constexpr double kShortestWaitSeconds = 0.001;

// Error reply codes (order 0).
constexpr std::uint16_t kErrorUnknownOrder = 1;
constexpr std::uint16_t kErrorCommunication = 2;

bool onTcp(const Context& ctx) {
    return ctx.linkSettings.protocol == LINK_TCPIP;
}

// Lets the event loop run until RxCount reaches `needed` or the wait has lasted
// kResponseWaitSeconds; returns true when it timed out. Each pass handles pending events,
// samples the count (on a serial link the input-queue length; on TCP the data-ready handler
// has counted) and then tests the time first: a pass that finds the time up and enough
// bytes has not timed out. A pass that is not done blocks in the event loop until the next
// event or the deadline.
bool WaitForResponseBytes(Context& ctx, int needed) {
    const double start = ctx.clock.timer();
    for (;;) {
        ctx.events.processSystemEvents();
        if (!onTcp(ctx)) {
            ctx.proto.RxCount = ctx.serial.getInQLen(ctx.linkSettings.comPort);
        }
        const double elapsed = ctx.clock.timer() - start;
        if (elapsed > kResponseWaitSeconds) {
            return ctx.proto.RxCount < needed;
        }
        if (ctx.proto.RxCount >= needed) {
            return false;
        }
        ctx.events.waitForEvents(std::max(kResponseWaitSeconds - elapsed, kShortestWaitSeconds));
    }
}

}  // namespace

int DataExchange(Context& ctx, int sendLength) {
    auto& proto = ctx.proto;
    proto.ResponseBuffer.fill(0);
    proto.PortStatus = 0;
    sendLength = std::clamp(sendLength, 0, kFrameBufferSize);
    if (onTcp(ctx)) {
        // Cleared before the write, so no part of the answer can be counted away.
        proto.RxCount = 0;
        ctx.tcp.clientTCPWrite(ctx.link.tcpHandle, proto.TransmitBuffer.data(), sendLength,
                               kTcpWriteTimeoutMs);
    } else {
        // Whatever is still queued belongs to an earlier answer.
        const int port = ctx.linkSettings.comPort;
        ctx.serial.flushInQ(port);
        ctx.serial.flushOutQ(port);
        ctx.serial.comWrt(port, proto.TransmitBuffer.data(), sendLength);
    }
    // A failed write is not reported on its own: no answer comes and the header wait says so.
    const int header = GetHeaderFrame(ctx);
    if (header == 1 && proto.ResponseHeader.length > 0) {
        return GetDataFrame(ctx);
    }
    return header;
}

int GetHeaderFrame(Context& ctx) {
    auto& proto = ctx.proto;
    const bool timedOut = WaitForResponseBytes(ctx, kHeaderSize);
    if (!onTcp(ctx)) {
        // Read also after a time-out: what did come leaves the queue with it.
        const int port = ctx.linkSettings.comPort;
        proto.PortStatus = ctx.serial.getComStat(port);
        ctx.serial.comRd(port, proto.ResponseBuffer.data(), kHeaderSize);
    }
    if (timedOut || proto.PortStatus > 0) {
        ReportLinkError(ctx, kTimeoutMessage);
        return -1;
    }
    if (CheckHeaderCRC(ctx) != 1) {
        return -1;
    }
    if (proto.ResponseHeader.order == 0) {
        if (proto.ResponseHeader.parameter == kErrorUnknownOrder) {
            ReportLinkError(ctx, kInvalidOrderMessage);
            return -1;
        }
        if (proto.ResponseHeader.parameter == kErrorCommunication) {
            ReportLinkError(ctx, kCommunicationErrorMessage);
            return -1;
        }
    }
    return 1;
}

int GetDataFrame(Context& ctx) {
    auto& proto = ctx.proto;
    // CheckHeaderCRC refuses longer headers; the bound also holds for a caller that set the
    // length itself.
    const int length = std::min<int>(proto.ResponseHeader.length, kMaxDataLength);
    bool timedOut = false;
    if (onTcp(ctx)) {
        // On TCP the count includes the header.
        timedOut = WaitForResponseBytes(ctx, kHeaderSize + length);
    } else {
        // On a serial link the header has already left the queue.
        timedOut = WaitForResponseBytes(ctx, length);
        const int port = ctx.linkSettings.comPort;
        proto.PortStatus = ctx.serial.getComStat(port);
        ctx.serial.comRd(port, proto.ResponseBuffer.data() + kHeaderSize, length);
    }
    if (timedOut || proto.PortStatus > 0) {
        ReportLinkError(ctx, kTimeoutMessage);
        return -1;
    }
    if (crc8Update(proto.ResponseBuffer.data(), kHeaderSize, length) !=
        proto.ResponseHeader.dataCrc) {
        ReportLinkError(ctx, kInvalidDataMessage);
        return -1;
    }
    return 1;
}

int ReceiveTcpData(Context& ctx) {
    auto& proto = ctx.proto;
    proto.RxCount = std::clamp(proto.RxCount, 0, kFrameBufferSize);
    const int capacity = kFrameBufferSize - proto.RxCount;
    const int result =
        ctx.tcp.clientTCPRead(ctx.link.tcpHandle, proto.ResponseBuffer.data() + proto.RxCount,
                              capacity, kTcpReadTimeoutMs);
    if (result > 0) {
        // A platform that returned more than it was offered room for must not push the
        // count past the buffer.
        proto.RxCount += std::min(result, capacity);
    }
    return result;
}

}  // namespace qv
