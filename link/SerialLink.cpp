#include "link/SerialLink.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "core/Panel.h"
#include "link/LinkMessages.h"
#include "protocol/LinkError.h"

namespace qv {

long BaudRateForIndex(unsigned baudIndex) {
    static constexpr long kRates[] = {9600, 19200, 38400, 57600, 115200, 230400, 460800, 921600};
    constexpr unsigned kCount = sizeof(kRates) / sizeof(kRates[0]);
    return baudIndex < kCount ? kRates[baudIndex] : 115200;
}

const BilingualText& SerialOpenErrorText(int code) {
    switch (code) {
        case SERIAL_UNKNOWN_SYSTEM_ERROR:
            return kSerialUnknownSystemErrorText;
        case SERIAL_INVALID_PORT:
            return kSerialInvalidPortText;
        case SERIAL_PORT_NOT_OPEN:
            return kSerialPortNotOpenText;
        case SERIAL_IO_ERROR:
            return kSerialIoErrorText;
        case SERIAL_NO_PORT_FOUND:
            return kSerialNoPortFoundText;
        case SERIAL_CANNOT_OPEN:
            return kSerialCannotOpenText;
        case SERIAL_INVALID_BAUD:
            return kSerialInvalidBaudText;
        case SERIAL_TIMEOUT:
            return kSerialTimeoutText;
        default:
            return kSerialOtherErrorText;
    }
}

void InitRS232(Context& ctx) {
    const int port = ctx.linkSettings.comPort;
    // Closing a port that is not open does no harm; its result tells nothing useful.
    ctx.serial.closeCom(port);
    const long rate = BaudRateForIndex(ctx.linkSettings.baudIndex);
    ctx.link.LinkOpenResult =
        ctx.serial.openComConfig(port, "", rate, PARITY_NONE, kSerialDataBits, kSerialStopBits,
                                 kSerialQueueSize, kSerialQueueSize);
    if (ctx.link.LinkOpenResult >= 0) {
        ctx.serial.setComTime(port, kSerialTimeoutSeconds);
        ctx.serial.flushInQ(port);
        ctx.serial.flushOutQ(port);
        ctx.serial.setCTSMode(port, 0);
        return;
    }
    ReportLinkError(ctx, SerialOpenErrorText(ctx.link.LinkOpenResult));
}

void ListComPorts(Context& ctx) {
    std::vector<int> ports;
    const int n = ctx.serial.locateCom(ports, kMaxListedComPorts);
    if (n == 0) {
        return;
    }
    appendToStatusBox(ctx, ctx.text(kComPortsHeadingText));
    // Never more than the listing holds, whatever count the platform claims.
    const int listed = n < 0 ? 0 : std::min(n, static_cast<int>(ports.size()));
    for (int i = 0; i < listed; ++i) {
        char line[32];
        std::snprintf(line, sizeof line, "COM%d\n", ports[static_cast<std::size_t>(i)]);
        appendToStatusBox(ctx, line);
    }
    appendToStatusBox(ctx, "\n");
}

int CBF_ButtonFindComPorts(Context& ctx, int /*panel*/, int /*control*/, int event) {
    if (event == EVENT_COMMIT) {
        ListComPorts(ctx);
    }
    return 0;
}

}  // namespace qv
