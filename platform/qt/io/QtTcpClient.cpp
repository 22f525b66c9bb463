#include "platform/qt/io/QtTcpClient.h"

#include <QDeadlineTimer>
#include <QObject>
#include <QTcpSocket>
#include <utility>

namespace qv {

namespace {

int connectError(QAbstractSocket::SocketError error) {
    switch (error) {
        // Reached the host, but nothing listens on the port.
        case QAbstractSocket::ConnectionRefusedError:
            return TCP_UNABLE_TO_ESTABLISH_CONNECTION;
        case QAbstractSocket::SocketTimeoutError:
            return TCP_TIMEOUT;
        case QAbstractSocket::NetworkError:
            return TCP_NETWORK_SUBSYSTEM_NOT_READY;
        // Too many sockets open.
        case QAbstractSocket::SocketResourceError:
            return TCP_TOO_MANY_CONVERSATIONS;
        case QAbstractSocket::RemoteHostClosedError:
            return TCP_CONNECTION_CLOSED;
        // The name is unknown, the address unusable, a proxy refused, and the rest.
        default:
            return TCP_FAILED_TO_CONNECT;
    }
}

double secondsLeft(const QDeadlineTimer& deadline) {
    return static_cast<double>(deadline.remainingTimeNSecs()) / 1e9;
}

}  // namespace

struct QtTcpClient::Conversation {
    QTcpSocket* socket = nullptr;
    TcpCallback callback;
    // A delivery is waiting in the event queue.
    bool queued = false;
    // The disconnect notice has been given; nothing more is delivered.
    bool ended = false;
};

QtTcpClient::QtTcpClient(EventLoop& events)
    : events_(events), owner_(std::make_unique<QObject>()) {}

QtTcpClient::~QtTcpClient() {
    for (auto& entry : conversations_) {
        QObject::disconnect(entry.second->socket, nullptr, owner_.get(), nullptr);
        entry.second->socket->abort();
    }
    conversations_.clear();
    owner_.reset();
}

int QtTcpClient::missing(unsigned handle) const {
    // A handle that was given out once names a conversation that has ended since.
    return (handle == 0 || handle >= nextHandle_) ? TCP_INVALID_PARAMETER : TCP_CONNECTION_CLOSED;
}

int QtTcpClient::connectToTCPServerEx(unsigned& handle, int port, const std::string& host,
                                      TcpCallback callback, int timeoutMs) {
    if (port <= 0 || port > 65535 || host.empty() || timeoutMs < 0) {
        return TCP_INVALID_PARAMETER;
    }
    auto* socket = new QTcpSocket(owner_.get());
    socket->connectToHost(QString::fromStdString(host), static_cast<quint16>(port));
    const QDeadlineTimer deadline(timeoutMs);
    while (socket->state() != QAbstractSocket::ConnectedState &&
           socket->state() != QAbstractSocket::UnconnectedState && !deadline.hasExpired()) {
        events_.waitForEvents(secondsLeft(deadline));
    }
    if (socket->state() != QAbstractSocket::ConnectedState) {
        const int result = socket->state() == QAbstractSocket::UnconnectedState
                               ? connectError(socket->error())
                               : TCP_TIMEOUT;
        socket->abort();
        socket->deleteLater();
        return result;
    }
    socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);

    const unsigned h = nextHandle_++;
    if (nextHandle_ == 0) {
        nextHandle_ = 1;
    }
    auto conversation = std::make_unique<Conversation>();
    conversation->socket = socket;
    conversation->callback = std::move(callback);
    conversations_[h] = std::move(conversation);
    QObject::connect(socket, &QIODevice::readyRead, owner_.get(), [this, h] { schedule(h); });
    QObject::connect(socket, &QAbstractSocket::stateChanged, owner_.get(),
                     [this, h](QAbstractSocket::SocketState state) {
                         if (state == QAbstractSocket::UnconnectedState) {
                             schedule(h);
                         }
                     });
    handle = h;
    // Bytes (or the close) that came during the wait are announced once the caller has the
    // handle, not before.
    if (socket->bytesAvailable() > 0) {
        schedule(h);
    }
    return 0;
}

void QtTcpClient::schedule(unsigned handle) {
    const auto it = conversations_.find(handle);
    if (it == conversations_.end() || it->second->queued || it->second->ended) {
        return;
    }
    it->second->queued = true;
    QMetaObject::invokeMethod(
        owner_.get(), [this, handle] { deliver(handle); }, Qt::QueuedConnection);
}

void QtTcpClient::deliver(unsigned handle) {
    auto it = conversations_.find(handle);
    if (it == conversations_.end() || it->second->ended) {
        return;
    }
    it->second->queued = false;
    const qint64 before = it->second->socket->bytesAvailable();
    if (before > 0) {
        // A copy, because the handler may end the conversation and so destroy the original.
        const TcpCallback callback = it->second->callback;
        if (callback) {
            callback(handle, TCP_DATAREADY, 0);
        }
        it = conversations_.find(handle);
        if (it == conversations_.end() || it->second->ended) {
            return;
        }
        // Offer the rest again as long as the handler takes some each time; this is how all
        // bytes of a closed connection are handed over before its disconnect notice.
        const qint64 after = it->second->socket->bytesAvailable();
        if (after > 0 && after < before) {
            schedule(handle);
            return;
        }
    }
    if (it->second->socket->state() == QAbstractSocket::UnconnectedState) {
        it->second->ended = true;
        const TcpCallback callback = it->second->callback;
        if (callback) {
            callback(handle, TCP_DISCONNECT, 0);
        }
        drop(handle);
    }
}

void QtTcpClient::drop(unsigned handle) {
    const auto it = conversations_.find(handle);
    if (it == conversations_.end()) {
        return;
    }
    QTcpSocket* socket = it->second->socket;
    QObject::disconnect(socket, nullptr, owner_.get(), nullptr);
    socket->abort();
    // Deferred: the caller may be running inside one of this socket's own notifications.
    socket->deleteLater();
    conversations_.erase(it);
}

int QtTcpClient::waitUntil(unsigned handle, int timeoutMs,
                           const std::function<bool(const QTcpSocket&)>& done) {
    const QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        // Anything may have run during the last wait, this conversation's end included.
        const auto it = conversations_.find(handle);
        if (it == conversations_.end()) {
            return missing(handle);
        }
        const QTcpSocket& socket = *it->second->socket;
        if (done(socket)) {
            return 0;
        }
        if (socket.state() != QAbstractSocket::ConnectedState) {
            return TCP_CONNECTION_CLOSED;
        }
        if (deadline.hasExpired()) {
            return TCP_TIMEOUT;
        }
        events_.waitForEvents(secondsLeft(deadline));
    }
}

int QtTcpClient::clientTCPRead(unsigned handle, std::uint8_t* buffer, int capacity, int timeoutMs) {
    auto it = conversations_.find(handle);
    if (it == conversations_.end()) {
        return missing(handle);
    }
    if (capacity < 0 || (capacity > 0 && buffer == nullptr) || timeoutMs < 0) {
        return TCP_INVALID_PARAMETER;
    }
    if (capacity == 0) {
        return 0;
    }
    const int waited = waitUntil(
        handle, timeoutMs, [](const QTcpSocket& socket) { return socket.bytesAvailable() > 0; });
    if (waited < 0) {
        return waited;
    }
    const qint64 n =
        conversations_.at(handle)->socket->read(reinterpret_cast<char*>(buffer), capacity);
    return n < 0 ? TCP_READ_FAILED : static_cast<int>(n);
}

int QtTcpClient::clientTCPWrite(unsigned handle, const std::uint8_t* data, int count,
                                int timeoutMs) {
    auto it = conversations_.find(handle);
    if (it == conversations_.end()) {
        return missing(handle);
    }
    if (count < 0 || (count > 0 && data == nullptr) || timeoutMs < 0) {
        return TCP_INVALID_PARAMETER;
    }
    if (it->second->socket->state() != QAbstractSocket::ConnectedState) {
        return TCP_CONNECTION_CLOSED;
    }
    if (count == 0) {
        return 0;
    }
    if (it->second->socket->write(reinterpret_cast<const char*>(data), count) != count) {
        return TCP_WRITE_FAILED;
    }
    const int waited = waitUntil(
        handle, timeoutMs, [](const QTcpSocket& socket) { return socket.bytesToWrite() == 0; });
    return waited < 0 ? waited : count;
}

int QtTcpClient::disconnectFromTCPServer(unsigned handle) {
    if (conversations_.find(handle) == conversations_.end()) {
        return missing(handle);
    }
    drop(handle);
    return 0;
}

}  // namespace qv
