#include "link/TcpLink.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <limits>

#include "link/LinkMessages.h"
#include "protocol/DataExchange.h"
#include "protocol/LinkError.h"

namespace qv {

const BilingualText& TcpConnectErrorText(int code) {
    static const BilingualText* const kTexts[] = {
        &kTcpUnableToRegisterServiceText,        // -1
        &kTcpUnableToEstablishConnectionText,    // -2
        &kTcpExistingServerText,                 // -3
        &kTcpFailedToConnectText,                // -4
        &kTcpServerNotRegisteredText,            // -5
        &kTcpTooManyConversationsText,           // -6
        &kTcpReadFailedText,                     // -7
        &kTcpWriteFailedText,                    // -8
        &kTcpInvalidParameterText,               // -9
        &kTcpOutOfMemoryText,                    // -10
        &kTcpTimeoutText,                        // -11
        &kTcpNoConnectionEstablishedText,        // -12
        &kTcpGeneralIoErrorText,                 // -13
        &kTcpConnectionClosedText,               // -14
        &kTcpUnableToLoadSocketLibraryText,      // -15
        &kTcpIncorrectSocketLibraryVersionText,  // -16
        &kTcpNetworkSubsystemNotReadyText,       // -17
        &kTcpConnectionsStillOpenText,           // -18
        &kTcpDisconnectPendingText,              // -19
        &kTcpInfoNotAvailableText,               // -20
    };
    constexpr int kCount = static_cast<int>(sizeof(kTexts) / sizeof(kTexts[0]));
    if (code <= -1 && code >= -kCount) {
        return *kTexts[-code - 1];
    }
    return kTcpOtherErrorText;
}

void InitTCP_IP(Context& ctx) {
    if (ctx.link.tcpConnected != 0) {
        ctx.tcp.disconnectFromTCPServer(ctx.link.tcpHandle);
    }
    ctx.popups.setWaitCursor(true);
    unsigned handle = 0;
    ctx.link.LinkOpenResult = ctx.tcp.connectToTCPServerEx(
        handle, ctx.linkSettings.tcpPort, ctx.linkSettings.serverName,
        [&ctx](unsigned h, int event, int error) { return ClientTCPCB(ctx, h, event, error); },
        kTcpConnectTimeoutMs);
    ctx.link.tcpHandle = handle;
    ctx.popups.setWaitCursor(false);
    if (ctx.link.LinkOpenResult >= 0) {
        ctx.link.tcpConnected = 1;
        return;
    }
    ReportLinkError(ctx, TcpConnectErrorText(ctx.link.LinkOpenResult));
    ctx.link.tcpConnected = 0;
}

int ClientTCPCB(Context& ctx, unsigned /*handle*/, int event, int /*error*/) {
    switch (event) {
        case TCP_DATAREADY:
            // A failed read leaves RxCount where it was; the exchange's wait then decides.
            ReceiveTcpData(ctx);
            break;
        case TCP_DISCONNECT:
            ReportLinkError(ctx, kServerClosedConnectionText);
            ctx.link.tcpHandle = 0;
            ctx.link.tcpConnected = 0;
            break;
        default:
            break;
    }
    return 0;
}

std::int32_t TcpPortFromText(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])) != 0) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // Accumulated as a magnitude up to one past INT32_MAX, where both limits are reached.
    constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    std::int64_t magnitude = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
        magnitude = std::min(kLimit, magnitude * 10 + (text[i] - '0'));
        ++i;
    }
    if (negative) {
        return static_cast<std::int32_t>(-magnitude);
    }
    return static_cast<std::int32_t>(std::min(magnitude, kLimit - 1));
}

}  // namespace qv
