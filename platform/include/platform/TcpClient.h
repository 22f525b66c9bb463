#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace qv {

// Event types passed to a conversation's handler.
enum TcpEvent : int {
    TCP_CONNECT = 1,
    TCP_DISCONNECT = 2,
    TCP_DATAREADY = 3,
};

// Error codes of the TCP operations (negative results).
enum TcpError : int {
    TCP_UNABLE_TO_REGISTER_SERVICE = -1,
    TCP_UNABLE_TO_ESTABLISH_CONNECTION = -2,
    TCP_EXISTING_SERVER = -3,
    TCP_FAILED_TO_CONNECT = -4,
    TCP_SERVER_NOT_REGISTERED = -5,
    TCP_TOO_MANY_CONVERSATIONS = -6,
    TCP_READ_FAILED = -7,
    TCP_WRITE_FAILED = -8,
    TCP_INVALID_PARAMETER = -9,
    TCP_OUT_OF_MEMORY = -10,
    TCP_TIMEOUT = -11,
    TCP_NO_CONNECTION_ESTABLISHED = -12,
    TCP_GENERAL_IO_ERROR = -13,
    TCP_CONNECTION_CLOSED = -14,
    TCP_UNABLE_TO_LOAD_SOCKET_LIBRARY = -15,
    TCP_INCORRECT_SOCKET_LIBRARY_VERSION = -16,
    TCP_NETWORK_SUBSYSTEM_NOT_READY = -17,
    TCP_CONNECTIONS_STILL_OPEN = -18,
    TCP_DISCONNECT_PENDING = -19,
    TCP_INFO_NOT_AVAILABLE = -20,
};

// A conversation's event handler: (handle, event type, error code). Runs on the UI thread
// while the event loop handles events.
using TcpCallback = std::function<int(unsigned handle, int event, int error)>;

// TCP client conversations.
class TcpClient {
  public:
    virtual ~TcpClient() = default;

    // Connects, waiting at most `timeoutMs` while the event loop keeps running. Returns 0 or
    // more and sets `handle` on success, a TcpError otherwise.
    virtual int connectToTCPServerEx(unsigned& handle, int port, const std::string& host,
                                     TcpCallback callback, int timeoutMs) = 0;
    // Reads what has arrived, at most `capacity` bytes; returns the count or a TcpError.
    virtual int clientTCPRead(unsigned handle, std::uint8_t* buffer, int capacity,
                              int timeoutMs) = 0;
    // Writes all `count` bytes within `timeoutMs`; returns the count or a TcpError.
    virtual int clientTCPWrite(unsigned handle, const std::uint8_t* data, int count,
                               int timeoutMs) = 0;
    virtual int disconnectFromTCPServer(unsigned handle) = 0;
};

}  // namespace qv
