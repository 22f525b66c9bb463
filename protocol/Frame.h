#pragma once

#include <cstdint>

#include "core/Context.h"

namespace qv {

// The order numbers the panel sends; no others exist on the wire.
enum OrderNumber : int {
    WriteRam = 1,
    ReadRam = 2,
    StoreEeprom = 3,
    LoadEeprom = 4,
    ReadFirmwareId = 7,
    ReadSerialNumber = 15,
    SetBaudrate = 190,
    ReadHwInfo = 194,
};

// ReadHwInfo is only answered when it carries this parameter.
inline constexpr unsigned kReadHwInfoParameter = 0x5E93;

inline constexpr std::uint8_t kFrameStart = 0x55;

// Builds the request header in ctx.proto.RequestFrame around the `length` payload bytes the
// caller has already put at offset 8, then copies the 8 + length bytes to TransmitBuffer.
// The low 8 bits of `order` and the low 16 bits of `parameter` and `length` are sent; a length
// beyond what the frame buffer holds is the caller's error and is cut to it.
void FillTxBuf(Context& ctx, int order, unsigned parameter, unsigned length);

// Judges the 8 header bytes at the start of ResponseBuffer. A header is valid when its CRC
// matches, it starts with 0x55 and the data it announces fit into ResponseBuffer. A valid
// header is unpacked into ResponseHeader and gives 1; an invalid one is reported as a link
// error, leaves ResponseHeader as it was and gives -1.
int CheckHeaderCRC(Context& ctx);

}  // namespace qv
