#include "support/InMemorySerialPorts.h"

#include <algorithm>
#include <cstdio>

namespace qv::test {

std::string hexBytes(const std::uint8_t* data, int count) {
    std::string text;
    char byte[4];
    for (int i = 0; i < count; ++i) {
        std::snprintf(byte, sizeof byte, "%02X", data[i]);
        if (i > 0) {
            text += ' ';
        }
        text += byte;
    }
    return text;
}

namespace {
const Bytes kNoBytes;
const std::vector<std::string> kNoLog;
}  // namespace

const InMemorySerialPorts::Port* InMemorySerialPorts::find(int port) const {
    auto it = ports_.find(port);
    return it == ports_.end() ? nullptr : &it->second;
}

InMemorySerialPorts::Port* InMemorySerialPorts::openPort(int port) {
    auto it = ports_.find(port);
    return it != ports_.end() && it->second.open ? &it->second : nullptr;
}

void InMemorySerialPorts::pushInput(int port, const Bytes& bytes) {
    auto& input = ports_[port].input;
    input.insert(input.end(), bytes.begin(), bytes.end());
}

void InMemorySerialPorts::deliverAt(double atSeconds, int port, const Bytes& bytes) {
    events_.schedule(atSeconds, [this, port, bytes] { pushInput(port, bytes); });
}

bool InMemorySerialPorts::isOpen(int port) const {
    const Port* p = find(port);
    return p != nullptr && p->open;
}

long InMemorySerialPorts::baudRate(int port) const {
    const Port* p = find(port);
    return p != nullptr ? p->baudRate : 0;
}

double InMemorySerialPorts::timeout(int port) const {
    const Port* p = find(port);
    return p != nullptr ? p->timeout : Port{}.timeout;
}

int InMemorySerialPorts::inputLength(int port) const {
    const Port* p = find(port);
    return p != nullptr ? static_cast<int>(p->input.size()) : 0;
}

const Bytes& InMemorySerialPorts::written(int port) const {
    const Port* p = find(port);
    return p != nullptr ? p->written : kNoBytes;
}

const std::vector<std::string>& InMemorySerialPorts::log(int port) const {
    const Port* p = find(port);
    return p != nullptr ? p->log : kNoLog;
}

void InMemorySerialPorts::clearRecords(int port) {
    ports_[port].written.clear();
    ports_[port].log.clear();
}

int InMemorySerialPorts::openComConfig(int port, const std::string&, long baudRate, int, int, int,
                                       int, int) {
    Port& p = ports_[port];
    p.log.push_back("open " + std::to_string(baudRate));
    if (p.openResult < 0) {
        return p.openResult;
    }
    p.open = true;
    p.baudRate = baudRate;
    return p.openResult;
}

int InMemorySerialPorts::setComTime(int port, double seconds) {
    Port* p = openPort(port);
    if (p == nullptr) {
        return SERIAL_PORT_NOT_OPEN;
    }
    char text[32];
    std::snprintf(text, sizeof text, "setComTime %.1f", seconds);
    p->log.push_back(text);
    p->timeout = seconds;
    return 0;
}

int InMemorySerialPorts::flushInQ(int port) {
    Port* p = openPort(port);
    if (p == nullptr) {
        return SERIAL_PORT_NOT_OPEN;
    }
    p->log.push_back("flushInQ");
    p->input.clear();
    return 0;
}

int InMemorySerialPorts::flushOutQ(int port) {
    Port* p = openPort(port);
    if (p == nullptr) {
        return SERIAL_PORT_NOT_OPEN;
    }
    p->log.push_back("flushOutQ");
    return 0;
}

int InMemorySerialPorts::setCTSMode(int port, int mode) {
    Port* p = openPort(port);
    if (p == nullptr) {
        return SERIAL_PORT_NOT_OPEN;
    }
    p->log.push_back("setCTSMode " + std::to_string(mode));
    return 0;
}

int InMemorySerialPorts::closeCom(int port) {
    auto it = ports_.find(port);
    if (it != ports_.end() && it->second.open) {
        it->second.open = false;
        it->second.log.push_back("close");
    }
    return 0;
}

int InMemorySerialPorts::comWrt(int port, const std::uint8_t* data, int count) {
    Port* p = openPort(port);
    if (p == nullptr) {
        return SERIAL_PORT_NOT_OPEN;
    }
    const Bytes bytes(data, data + std::max(count, 0));
    p->log.push_back("write " + hexBytes(bytes));
    p->written.insert(p->written.end(), bytes.begin(), bytes.end());
    if (p->writeHandler) {
        // A copy: the handler may replace itself.
        auto handler = p->writeHandler;
        handler(bytes);
    }
    return static_cast<int>(bytes.size());
}

int InMemorySerialPorts::comRd(int port, std::uint8_t* buffer, int count) {
    Port* p = openPort(port);
    if (p == nullptr) {
        return SERIAL_PORT_NOT_OPEN;
    }
    p->log.push_back("read " + std::to_string(count));
    const double deadline = events_.clock().now() + p->timeout;
    // Map entries stay put, but an action run by the wait may close the port.
    while (p->open && static_cast<int>(p->input.size()) < count &&
           events_.clock().now() < deadline) {
        events_.waitForEvents(deadline - events_.clock().now());
    }
    if (!p->open) {
        return SERIAL_PORT_NOT_OPEN;
    }
    const int n = std::min(std::max(count, 0), static_cast<int>(p->input.size()));
    std::copy(p->input.begin(), p->input.begin() + n, buffer);
    p->input.erase(p->input.begin(), p->input.begin() + n);
    return n;
}

int InMemorySerialPorts::getInQLen(int port) {
    Port* p = openPort(port);
    return p != nullptr ? static_cast<int>(p->input.size()) : SERIAL_PORT_NOT_OPEN;
}

int InMemorySerialPorts::getComStat(int port) {
    Port* p = openPort(port);
    if (p == nullptr) {
        return SERIAL_PORT_NOT_OPEN;
    }
    p->log.push_back("getComStat");
    const int status = p->comStat;
    if (status > 0) {
        p->comStat = 0;
    }
    return status;
}

int InMemorySerialPorts::locateCom(std::vector<int>& ports, int capacity) {
    ports.assign(present_.begin(),
                 present_.begin() + std::min<int>(capacity, static_cast<int>(present_.size())));
    return static_cast<int>(ports.size());
}

}  // namespace qv::test
