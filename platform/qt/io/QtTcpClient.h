#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "platform/EventLoop.h"
#include "platform/TcpClient.h"

class QObject;
class QTcpSocket;

namespace qv {

// TCP client conversations on QTcpSocket. Waits run the event loop; the conversation's handler
// is called from a queued event of its own, never from inside a socket signal, so it may read,
// write, wait or disconnect freely.
//
// Handles count up from 1 and are not reused. Events: TCP_DATAREADY whenever bytes have arrived
// and are still unread; when the server closes, the bytes still unread are offered first and then
// TCP_DISCONNECT comes once, after which the handle is gone. disconnectFromTCPServer calls no
// handler.
class QtTcpClient : public TcpClient {
  public:
    explicit QtTcpClient(EventLoop& events);
    ~QtTcpClient() override;
    QtTcpClient(const QtTcpClient&) = delete;
    QtTcpClient& operator=(const QtTcpClient&) = delete;

    int connectToTCPServerEx(unsigned& handle, int port, const std::string& host,
                             TcpCallback callback, int timeoutMs) override;
    int clientTCPRead(unsigned handle, std::uint8_t* buffer, int capacity, int timeoutMs) override;
    int clientTCPWrite(unsigned handle, const std::uint8_t* data, int count,
                       int timeoutMs) override;
    int disconnectFromTCPServer(unsigned handle) override;

  private:
    struct Conversation;
    // The error for a handle that names no open conversation.
    int missing(unsigned handle) const;
    // Runs the event loop until `done` holds for the conversation's socket (0), the
    // conversation closes or ends (a TcpError) or `timeoutMs` passes (TCP_TIMEOUT).
    int waitUntil(unsigned handle, int timeoutMs,
                  const std::function<bool(const QTcpSocket&)>& done);
    void schedule(unsigned handle);
    void deliver(unsigned handle);
    void drop(unsigned handle);

    EventLoop& events_;
    // Parent of every socket, so that sockets whose deferred deletion has not run yet are
    // still freed with the client.
    std::unique_ptr<QObject> owner_;
    std::map<unsigned, std::unique_ptr<Conversation>> conversations_;
    unsigned nextHandle_ = 1;
};

}  // namespace qv
