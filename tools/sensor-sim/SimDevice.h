#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "SimOptions.h"

namespace qvsim {

using Bytes = std::vector<std::uint8_t>;

// One frame as it would leave the sensor, before any fault distorts it.
struct Reply {
    std::uint8_t order = 0;
    std::uint16_t parameter = 0;
    Bytes data;
    std::optional<int> newBaudIndex;  // set by SetBaudrate; applied after the reply is out
};

// Request frames cut out of a byte stream. Whatever precedes a 0x55 is dropped; a 0x55 whose
// header fails its CRC yields one bad frame for the whole run of rubbish that follows, so one
// corrupted request earns one error reply rather than one per stray 0x55 inside it.
class FrameParser {
  public:
    struct Received {
        bool valid = false;  // false: bad header, bad payload CRC or impossible length
        Bytes bytes;         // the frame (for a bad header: the 8 bytes judged)
    };

    void feed(const std::uint8_t* data, std::size_t count);
    std::optional<Received> next();
    void clear();

  private:
    Bytes buffer_;
    bool resyncing_ = false;
};

class SimDevice {
  public:
    explicit SimDevice(const Options& options);

    Reply execute(const Bytes& request);
    static Reply errorReply(std::uint16_t code);

    int baudIndex() const { return baudIndex_; }
    void setBaudIndex(int index) { baudIndex_ = index; }

  private:
    const Options& options_;
    ParameterValues ram_;
    ParameterValues eeprom_;
    int baudIndex_ = 4;
};

std::uint8_t crc8(const std::uint8_t* data, std::size_t count);
Bytes encodeFrame(std::uint8_t order, std::uint16_t parameter, const Bytes& data);
std::string toHex(const Bytes& bytes);
// Rate in bit/s for a baud-rate index; unknown indexes fall back to 115200 like the panel's.
int baudRateForIndex(int index);
// Resets implausible fields to their defaults; returns how many were reset.
int checkPlausibility(ParameterValues& values);

}  // namespace qvsim
