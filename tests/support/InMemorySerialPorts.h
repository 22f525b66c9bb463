#pragma once

// Serial ports in memory, timed by a FakeEventLoop.
//
// Each port number has an input queue, a record of the bytes written to it and a log of the
// calls made on it, in order: "open <baud>", "close", "setComTime <seconds>", "flushInQ",
// "flushOutQ", "setCTSMode <mode>", "write 55 07 00 00 00 00 AA 52" (upper-case hex),
// "read <count asked>", "getComStat". getInQLen is polled and therefore not logged.
//
//  - Bytes arrive with deliverAt(time, port, bytes) / deliverIn(seconds, ...): an action on the
//    event loop that appends them to the input queue when the loop handles events then.
//    pushInput puts bytes into the queue at once (e.g. stale bytes of an earlier answer).
//  - openComConfig returns the port's open result (setOpenResult; default 0). Every other
//    operation except closeCom and locateCom returns SERIAL_PORT_NOT_OPEN on a port that is
//    not open.
//  - comRd(port, buf, n) returns at once if n bytes are queued; otherwise it waits through
//    FakeEventLoop::waitForEvents, up to the port's time-out (setComTime; 2.0 s until set),
//    and returns what arrived, never more than n.
//  - getComStat returns the status word set with setComStat once and then 0, as the real one
//    reports error bits seen since the last call; a negative value is returned every time.
//  - A write handler (onWrite) sees every write, so a test can answer requests as they come.
//  - locateCom returns the list set with setPresentPorts.
//  - flushInQ clears what has arrived; deliveries scheduled for later still arrive.

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/SerialPorts.h"
#include "support/FakeEventLoop.h"

namespace qv::test {

using Bytes = std::vector<std::uint8_t>;

// "55 07 00" style, as used in the call logs.
std::string hexBytes(const std::uint8_t* data, int count);
inline std::string hexBytes(const Bytes& bytes) {
    return hexBytes(bytes.data(), static_cast<int>(bytes.size()));
}

class InMemorySerialPorts : public SerialPorts {
  public:
    explicit InMemorySerialPorts(FakeEventLoop& events) : events_(events) {}

    // Script.
    void setOpenResult(int port, int result) { ports_[port].openResult = result; }
    void setComStat(int port, int status) { ports_[port].comStat = status; }
    void pushInput(int port, const Bytes& bytes);
    void deliverAt(double atSeconds, int port, const Bytes& bytes);
    void deliverIn(double seconds, int port, const Bytes& bytes) {
        deliverAt(events_.clock().now() + seconds, port, bytes);
    }
    void onWrite(int port, std::function<void(const Bytes& written)> handler) {
        ports_[port].writeHandler = std::move(handler);
    }
    void setPresentPorts(std::vector<int> ports) { present_ = std::move(ports); }

    // What happened.
    bool isOpen(int port) const;
    long baudRate(int port) const;  // of the last successful open; 0 if never opened
    double timeout(int port) const;
    int inputLength(int port) const;
    const Bytes& written(int port) const;  // all bytes written, across calls
    const std::vector<std::string>& log(int port) const;
    void clearRecords(int port);  // forgets written bytes and the log

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

  private:
    struct Port {
        bool open = false;
        int openResult = 0;
        long baudRate = 0;
        double timeout = 2.0;
        int comStat = 0;
        std::deque<std::uint8_t> input;
        Bytes written;
        std::vector<std::string> log;
        std::function<void(const Bytes&)> writeHandler;
    };
    const Port* find(int port) const;
    // The open port, or nullptr after logging nothing (the call fails).
    Port* openPort(int port);

    FakeEventLoop& events_;
    std::map<int, Port> ports_;
    std::vector<int> present_;
};

}  // namespace qv::test
