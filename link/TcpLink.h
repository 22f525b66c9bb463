#pragma once

#include <cstdint>
#include <string>

#include "core/BilingualText.h"
#include "core/Context.h"

namespace qv {

inline constexpr int kTcpConnectTimeoutMs = 5000;

// The report for a failed connect with the platform's error `code`.
const BilingualText& TcpConnectErrorText(int code);

// Ends the open conversation, if any, and connects to linkSettings.serverName on
// linkSettings.tcpPort with the busy cursor shown. The result goes to ctx.link.LinkOpenResult
// and tcpConnected follows it; a failure has been reported as a link error when this returns.
void InitTCP_IP(Context& ctx);

// The conversation's event handler: arriving bytes go to ResponseBuffer, and the server's
// close is reported and ends the conversation. Always works on ctx.link.tcpHandle, whatever
// handle the platform names. Returns 0.
int ClientTCPCB(Context& ctx, unsigned handle, int event, int error);

// The port number typed on the connection page, read as the C library reads a decimal int:
// leading white space, an optional sign, the digits up to the first other character, 0 when
// there are none. Values beyond 32 bits stop at the nearest limit.
std::int32_t TcpPortFromText(const std::string& text);

}  // namespace qv
