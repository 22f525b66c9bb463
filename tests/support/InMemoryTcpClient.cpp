#include "support/InMemoryTcpClient.h"

#include <algorithm>

namespace qv::test {

void InMemoryTcpClient::deliverAt(double atSeconds, const Bytes& bytes) {
    events_.schedule(atSeconds, [this, bytes] {
        if (!connected_) {
            return;
        }
        arrived_.insert(arrived_.end(), bytes.begin(), bytes.end());
        // A copy: the handler may reconnect and replace itself.
        TcpCallback callback = callback_;
        if (callback) {
            callback(handle_, TCP_DATAREADY, 0);
        }
    });
}

void InMemoryTcpClient::disconnectAt(double atSeconds) {
    events_.schedule(atSeconds, [this] {
        if (!connected_) {
            return;
        }
        connected_ = false;
        arrived_.clear();
        TcpCallback callback = callback_;
        if (callback) {
            callback(handle_, TCP_DISCONNECT, 0);
        }
    });
}

int InMemoryTcpClient::connectToTCPServerEx(unsigned& handle, int port, const std::string& host,
                                            TcpCallback callback, int timeoutMs) {
    connects_.push_back({host, port, timeoutMs});
    if (connectResult_ < 0) {
        return connectResult_;
    }
    connected_ = true;
    handle_ = nextHandle_;
    handle = handle_;
    callback_ = std::move(callback);
    arrived_.clear();
    return connectResult_;
}

int InMemoryTcpClient::checkHandle(unsigned handle) const {
    if (!connected_) {
        return TCP_NO_CONNECTION_ESTABLISHED;
    }
    return handle == handle_ ? 0 : TCP_INVALID_PARAMETER;
}

int InMemoryTcpClient::clientTCPRead(unsigned handle, std::uint8_t* buffer, int capacity,
                                     int timeoutMs) {
    int result = checkHandle(handle);
    if (result == 0 && readError_) {
        result = *readError_;
        readError_.reset();
    } else if (result == 0) {
        result = std::min(std::max(capacity, 0), static_cast<int>(arrived_.size()));
        std::copy(arrived_.begin(), arrived_.begin() + result, buffer);
        arrived_.erase(arrived_.begin(), arrived_.begin() + result);
    }
    reads_.push_back({capacity, timeoutMs, result});
    return result;
}

int InMemoryTcpClient::clientTCPWrite(unsigned handle, const std::uint8_t* data, int count,
                                      int timeoutMs) {
    const int check = checkHandle(handle);
    if (check < 0) {
        return check;
    }
    const Bytes bytes(data, data + std::max(count, 0));
    writes_.push_back({bytes, timeoutMs});
    if (writeResult_ && *writeResult_ < 0) {
        return *writeResult_;
    }
    if (writeHandler_) {
        auto handler = writeHandler_;
        handler(bytes);
    }
    return writeResult_ ? *writeResult_ : static_cast<int>(bytes.size());
}

int InMemoryTcpClient::disconnectFromTCPServer(unsigned handle) {
    ++disconnectCalls_;
    const int check = checkHandle(handle);
    if (check < 0) {
        return check;
    }
    connected_ = false;
    arrived_.clear();
    return 0;
}

}  // namespace qv::test
