#pragma once

#include "core/Context.h"

namespace qv {

// Each wait (header, then data) ends this long after it began.
inline constexpr double kResponseWaitSeconds = 3.0;
inline constexpr int kTcpWriteTimeoutMs = 2000;
inline constexpr int kTcpReadTimeoutMs = 5000;

// Sends the first `sendLength` bytes of TransmitBuffer (built by FillTxBuf) over the link in
// ctx.linkSettings.protocol and collects the response: 1 when a valid header and, if it
// announces one, a valid data block came; -1 after the failure has been reported with
// SetTimeout. After 1, ResponseHeader holds the reply's fields and the data start at
// ResponseBuffer offset 8. Runs the event loop while it waits.
int DataExchange(Context& ctx, int sendLength);

// The two halves of the exchange; DataExchange is the one to call.
int GetHeaderFrame(Context& ctx);
int GetDataFrame(Context& ctx);

// What the TCP data-ready handler does: appends what has arrived on ctx.link.tcpHandle to
// ResponseBuffer at RxCount, never past its end, and advances RxCount. Returns the read's
// result (a count, or a negative TcpError that leaves RxCount unchanged).
int ReceiveTcpData(Context& ctx);

}  // namespace qv
