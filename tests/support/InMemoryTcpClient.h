#pragma once

// A TCP client conversation in memory, timed by a FakeEventLoop.
//
//  - connectToTCPServerEx returns the connect result (setConnectResult; default 0). On success
//    it hands out the handle set with setNextHandle (default 1), keeps the event handler and
//    records the call in connects().
//  - deliverAt(time, bytes) / deliverIn(seconds, bytes): an action on the event loop that adds
//    the bytes to what has arrived and calls the handler with TCP_DATAREADY, as the platform
//    does for each piece of the stream. disconnectAt(time) calls it with TCP_DISCONNECT and
//    ends the conversation. Neither does anything once the conversation has ended.
//  - clientTCPRead drains what has arrived, at most `capacity` bytes; each call is recorded in
//    reads(). failNextRead(error) makes the next read return that error and take nothing.
//  - clientTCPWrite records the bytes in writes() and returns the count, or the result set with
//    setWriteResult. onWrite sees every write that did not fail, so a test can answer requests
//    as they come.
//  - Reads and writes with another handle than the open conversation's return
//    TCP_INVALID_PARAMETER; without an open conversation TCP_NO_CONNECTION_ESTABLISHED.

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/TcpClient.h"
#include "support/FakeEventLoop.h"

namespace qv::test {

class InMemoryTcpClient : public TcpClient {
  public:
    using Bytes = std::vector<std::uint8_t>;

    struct Connect {
        std::string host;
        int port = 0;
        int timeoutMs = 0;
    };
    struct Read {
        int capacity = 0;
        int timeoutMs = 0;
        int result = 0;
    };
    struct Write {
        Bytes bytes;
        int timeoutMs = 0;
    };

    explicit InMemoryTcpClient(FakeEventLoop& events) : events_(events) {}

    // Script.
    void setConnectResult(int result) { connectResult_ = result; }
    void setNextHandle(unsigned handle) { nextHandle_ = handle; }
    void setWriteResult(std::optional<int> result) { writeResult_ = result; }
    void failNextRead(int error) { readError_ = error; }
    void deliverAt(double atSeconds, const Bytes& bytes);
    void deliverIn(double seconds, const Bytes& bytes) {
        deliverAt(events_.clock().now() + seconds, bytes);
    }
    void disconnectAt(double atSeconds);
    void onWrite(std::function<void(const Bytes& written)> handler) {
        writeHandler_ = std::move(handler);
    }

    // What happened.
    bool connected() const { return connected_; }
    unsigned handle() const { return handle_; }
    int unread() const { return static_cast<int>(arrived_.size()); }
    const std::vector<Connect>& connects() const { return connects_; }
    const std::vector<Read>& reads() const { return reads_; }
    const std::vector<Write>& writes() const { return writes_; }
    int disconnectCalls() const { return disconnectCalls_; }

    int connectToTCPServerEx(unsigned& handle, int port, const std::string& host,
                             TcpCallback callback, int timeoutMs) override;
    int clientTCPRead(unsigned handle, std::uint8_t* buffer, int capacity, int timeoutMs) override;
    int clientTCPWrite(unsigned handle, const std::uint8_t* data, int count,
                       int timeoutMs) override;
    int disconnectFromTCPServer(unsigned handle) override;

  private:
    int checkHandle(unsigned handle) const;

    FakeEventLoop& events_;
    int connectResult_ = 0;
    unsigned nextHandle_ = 1;
    std::optional<int> writeResult_;
    std::optional<int> readError_;
    bool connected_ = false;
    unsigned handle_ = 0;
    TcpCallback callback_;
    std::deque<std::uint8_t> arrived_;
    std::function<void(const Bytes&)> writeHandler_;
    std::vector<Connect> connects_;
    std::vector<Read> reads_;
    std::vector<Write> writes_;
    int disconnectCalls_ = 0;
};

}  // namespace qv::test
