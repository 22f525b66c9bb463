#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qv {

// Error codes of the serial port operations (negative results).
enum SerialError : int {
    SERIAL_UNKNOWN_SYSTEM_ERROR = -1,
    SERIAL_INVALID_PORT = -2,
    SERIAL_PORT_NOT_OPEN = -3,
    SERIAL_IO_ERROR = -4,
    SERIAL_NO_PORT_FOUND = -6,
    SERIAL_CANNOT_OPEN = -7,
    SERIAL_INVALID_BAUD = -14,
    SERIAL_TIMEOUT = -99,
};

enum SerialParity : int { PARITY_NONE = 0, PARITY_ODD = 1, PARITY_EVEN = 2 };

// Serial ports addressed by number (1 is COM1). The program holds no handle.
class SerialPorts {
  public:
    virtual ~SerialPorts() = default;

    // Opens and configures the port; an empty device name derives the device from the number.
    // Returns 0 or more on success, a SerialError otherwise.
    virtual int openComConfig(int port, const std::string& deviceName, long baudRate, int parity,
                              int dataBits, int stopBits, int inputQueueSize,
                              int outputQueueSize) = 0;
    // Read and write time-out of the open port.
    virtual int setComTime(int port, double seconds) = 0;
    virtual int flushInQ(int port) = 0;
    virtual int flushOutQ(int port) = 0;
    // 0: no hardware handshake.
    virtual int setCTSMode(int port, int mode) = 0;
    // Closing a port that is not open does no harm.
    virtual int closeCom(int port) = 0;

    // Writes `count` bytes; returns the count written or a negative error.
    virtual int comWrt(int port, const std::uint8_t* data, int count) = 0;
    // Reads up to `count` bytes, waiting at most the port's time-out for them to arrive;
    // returns the number read (fewer on time-out) or a negative error.
    virtual int comRd(int port, std::uint8_t* buffer, int count) = 0;
    // Bytes waiting in the input queue, or a negative error.
    virtual int getInQLen(int port) = 0;
    // Error bits seen since the last call (0: none), or a negative error.
    virtual int getComStat(int port) = 0;

    // Fills `ports` with the numbers of the ports present, at most `capacity`; returns the count.
    virtual int locateCom(std::vector<int>& ports, int capacity) = 0;
};

}  // namespace qv
