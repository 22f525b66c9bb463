#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "core/BilingualText.h"

namespace qv {

// Source and target of parameter transfers.
enum class MemoryTarget : std::uint16_t { Ram = 1, Eeprom = 2, File = 3 };

// The values that exist once for the run.
struct AppState {
    int mainPanel = -1;
    int connectionPage = -1;
    int parameterPage = -1;
    std::string projectDir;
    std::string settingsFilePath;
    std::string parameterFilePath;
    std::string hwInfoFilePath;
    int language = LANGUAGE_ENGLISH;
    MemoryTarget memoryTarget = MemoryTarget::Ram;
};

enum LinkProtocol : std::uint16_t { LINK_RS232 = 0, LINK_TCPIP = 1 };

// Link settings as the operator chose them on the connection page.
struct LinkSettings {
    std::uint16_t protocol = LINK_RS232;
    std::uint16_t comPort = 1;
    std::uint16_t baudIndex = 4;    // 115200 bit/s
    std::string serverName;         // at most 255 characters
    std::string portText = "5000";  // at most 31 characters
    std::int32_t tcpPort = 0;       // derived from portText at every connection attempt
};

// The state of the link.
struct LinkState {
    // 1 while the last handshake passed and no link error has been reported since.
    std::uint16_t LinkOk = 0;
    // Result of the last attempt to open the serial port or the TCP conversation.
    std::int32_t LinkOpenResult = 0;
    std::string FirmwareId;  // at most 72 characters
    std::string SensorName;  // at most 255 characters
    unsigned tcpHandle = 0;
    std::uint16_t tcpConnected = 0;
};

inline constexpr int kFrameBufferSize = 2048;
inline constexpr int kHeaderSize = 8;
inline constexpr int kMaxDataLength = kFrameBufferSize - kHeaderSize;
inline constexpr int kStatusMessageSize = 256;

// Fields of the last valid response header.
struct ResponseHeaderFields {
    std::uint8_t order = 0;
    std::uint16_t parameter = 0;
    std::uint16_t length = 0;
    std::uint8_t dataCrc = 0;
};

// The request and response buffers; one exchange runs at a time.
struct ProtocolState {
    std::array<std::uint8_t, kFrameBufferSize> RequestFrame{};
    std::array<std::uint8_t, kFrameBufferSize> TransmitBuffer{};
    std::array<std::uint8_t, kFrameBufferSize> ResponseBuffer{};
    ResponseHeaderFields ResponseHeader;
    std::string StatusMessage;  // the report about to be made, at most 255 characters
    std::int32_t RxCount = 0;
    std::int32_t PortStatus = 0;
};

// The output parameters, in wire and file order.
struct ParameterSet {
    std::uint16_t controlMode = 0;
    std::uint16_t onTime = 0;
    std::uint16_t offTime = 0;
    std::uint16_t outs = 0;
};

}  // namespace qv
