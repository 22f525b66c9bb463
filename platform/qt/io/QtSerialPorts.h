#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/EventLoop.h"
#include "platform/SerialPorts.h"

namespace qv {

// Status bits of getComStat, one per kind of fault QSerialPort reports.
enum SerialStatusBit : int {
    SERIAL_STATUS_READ_ERROR = 0x01,
    SERIAL_STATUS_WRITE_ERROR = 0x02,
    // The device went away or cannot be read any more (a pulled USB adapter, a closed
    // pseudo-terminal); the port has been closed so that the next openComConfig can open it
    // afresh. Comes with every read error.
    SERIAL_STATUS_DEVICE_LOST = 0x04,
    SERIAL_STATUS_OTHER_ERROR = 0x08,
};

// Serial ports addressed by number, on QSerialPort. Waits run the event loop, so the window
// stays responsive while a read waits for its bytes.
//
// On Linux number n is the device named by `<programDir>/ports/COMn` (a symbolic link to the
// device, or a file whose first line is the device path) or else the fixed default
// COM1-32 = /dev/ttyS0-31, COM33-64 = /dev/ttyUSB0-31, COM65-96 = /dev/ttyACM0-31.
// On Windows number n is COMn.
class QtSerialPorts : public SerialPorts {
  public:
    QtSerialPorts(EventLoop& events, std::string programDir);
    ~QtSerialPorts() override;
    QtSerialPorts(const QtSerialPorts&) = delete;
    QtSerialPorts& operator=(const QtSerialPorts&) = delete;

    int openComConfig(int port, const std::string& deviceName, long baudRate, int parity,
                      int dataBits, int stopBits, int inputQueueSize, int outputQueueSize) override;
    int setComTime(int port, double seconds) override;
    int flushInQ(int port) override;
    int flushOutQ(int port) override;
    int setCTSMode(int port, int mode) override;
    int closeCom(int port) override;
    int comWrt(int port, const std::uint8_t* data, int count) override;
    int comRd(int port, std::uint8_t* buffer, int count) override;
    int getInQLen(int port) override;
    int getComStat(int port) override;
    int locateCom(std::vector<int>& ports, int capacity) override;

    // The device that number `port` stands for, whether or not it is present; empty when the
    // number stands for none.
    std::string devicePath(int port) const;

  private:
    struct Port;
    // The port if it is open and usable, else nullptr.
    Port* usable(int port);
    void onError(int port, std::uint64_t id, int error);

    EventLoop& events_;
    std::string programDir_;
    std::map<int, std::unique_ptr<Port>> ports_;
    std::uint64_t nextId_ = 1;
};

}  // namespace qv
