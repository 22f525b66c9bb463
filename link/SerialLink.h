#pragma once

#include "core/BilingualText.h"
#include "core/Context.h"

namespace qv {

// The serial port's fixed configuration.
inline constexpr int kSerialDataBits = 8;
inline constexpr int kSerialStopBits = 1;
inline constexpr int kSerialQueueSize = 1024;
inline constexpr double kSerialTimeoutSeconds = 2.0;
// Capacity of the port listing.
inline constexpr int kMaxListedComPorts = 255;

// The rate of a baud-rate index; indexes outside the table mean 115200 bit/s. The sensor is
// sent the index itself, so both sides must share this table.
long BaudRateForIndex(unsigned baudIndex);

// The report for a failed serial open with the platform's error `code`.
const BilingualText& SerialOpenErrorText(int code);

// Closes port ctx.linkSettings.comPort and opens it again at the rate for baudIndex, 8N1,
// without handshake and with a 2.0 s read/write time-out. The result goes to
// ctx.link.LinkOpenResult; a failure has been reported as a link error when this returns.
void InitRS232(Context& ctx);

// Appends the serial ports present on this PC to the status box: a heading, "COMn" per line
// and an empty line; nothing at all when there are none.
void ListComPorts(Context& ctx);

// Control callback of CONNP_BUTTON_FIND_COM_PORTS: lists the ports on a commit.
int CBF_ButtonFindComPorts(Context& ctx, int panel, int control, int event);

}  // namespace qv
