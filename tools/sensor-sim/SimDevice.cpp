#include "SimDevice.h"

#include <array>
#include <cstdio>

#include "protocol/Crc8.h"

namespace qvsim {

namespace {

constexpr std::uint8_t kStart = 0x55;
constexpr std::size_t kHeaderSize = 8;
// A request longer than this could never come from the panel's 2048-byte request frame.
constexpr std::size_t kMaxPayload = 2040;
constexpr std::uint16_t kHwInfoKey = 0x5E93;

enum Order : std::uint8_t {
    WriteRam = 1,
    ReadRam = 2,
    StoreEeprom = 3,
    LoadEeprom = 4,
    ReadFirmwareId = 7,
    ReadSerialNumber = 15,
    SetBaudrate = 190,
    ReadHwInfo = 194,
};

std::uint16_t le16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

void putLe16(Bytes& out, std::uint16_t value) {
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

bool headerValid(const std::uint8_t* header) {
    return header[0] == kStart && crc8(header, 7) == header[7];
}

Bytes encodeParameters(const ParameterValues& values) {
    Bytes out;
    putLe16(out, values.controlMode);
    putLe16(out, values.onTime);
    putLe16(out, values.offTime);
    putLe16(out, values.outs);
    return out;
}

}  // namespace

std::uint8_t crc8(const std::uint8_t* data, std::size_t count) {
    return static_cast<std::uint8_t>(qv::crc8Update(data, 0, static_cast<int>(count)));
}

Bytes encodeFrame(std::uint8_t order, std::uint16_t parameter, const Bytes& data) {
    Bytes out{kStart, order};
    putLe16(out, parameter);
    putLe16(out, static_cast<std::uint16_t>(data.size()));
    out.push_back(data.empty() ? qv::kCrc8Start : crc8(data.data(), data.size()));
    out.push_back(crc8(out.data(), out.size()));
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

std::string toHex(const Bytes& bytes) {
    std::string out;
    out.reserve(bytes.size() * 3);
    char digits[4];
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(digits, sizeof digits, i == 0 ? "%02X" : " %02X", bytes[i]);
        out += digits;
    }
    return out;
}

int baudRateForIndex(int index) {
    static constexpr std::array<int, 8> kRates = {9600,   19200,  38400,  57600,
                                                  115200, 230400, 460800, 921600};
    return index >= 0 && index < static_cast<int>(kRates.size()) ? kRates[index] : 115200;
}

int checkPlausibility(ParameterValues& values) {
    const ParameterValues defaults;
    int reset = 0;
    auto fix = [&](std::uint16_t& field, bool plausible, std::uint16_t fallback) {
        if (!plausible) {
            field = fallback;
            ++reset;
        }
    };
    fix(values.controlMode, values.controlMode <= 2, defaults.controlMode);
    fix(values.onTime, values.onTime >= 1 && values.onTime <= 60000, defaults.onTime);
    fix(values.offTime, values.offTime >= 1 && values.offTime <= 60000, defaults.offTime);
    fix(values.outs, values.outs <= 0x1F, defaults.outs);
    return reset;
}

void FrameParser::feed(const std::uint8_t* data, std::size_t count) {
    buffer_.insert(buffer_.end(), data, data + count);
}

void FrameParser::clear() {
    buffer_.clear();
    resyncing_ = false;
}

std::optional<FrameParser::Received> FrameParser::next() {
    while (true) {
        std::size_t skip = 0;
        while (skip < buffer_.size() && buffer_[skip] != kStart) {
            ++skip;
        }
        buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(skip));
        if (buffer_.empty()) {
            resyncing_ = false;
        }
        if (buffer_.size() < kHeaderSize) {
            return std::nullopt;
        }
        if (!headerValid(buffer_.data())) {
            Bytes judged(buffer_.begin(), buffer_.begin() + kHeaderSize);
            buffer_.erase(buffer_.begin());
            if (resyncing_) {
                continue;
            }
            resyncing_ = true;
            return Received{false, std::move(judged)};
        }
        resyncing_ = false;
        const std::size_t length = le16(buffer_.data() + 4);
        if (length > kMaxPayload) {
            Bytes header(buffer_.begin(), buffer_.begin() + kHeaderSize);
            buffer_.erase(buffer_.begin(), buffer_.begin() + kHeaderSize);
            return Received{false, std::move(header)};
        }
        if (buffer_.size() < kHeaderSize + length) {
            return std::nullopt;
        }
        const auto end = buffer_.begin() + static_cast<std::ptrdiff_t>(kHeaderSize + length);
        Bytes frame(buffer_.begin(), end);
        buffer_.erase(buffer_.begin(), end);
        const bool payloadOk = length == 0 || crc8(frame.data() + kHeaderSize, length) == frame[6];
        return Received{payloadOk, std::move(frame)};
    }
}

SimDevice::SimDevice(const Options& options)
    : options_(options), ram_(options.ram), eeprom_(options.eeprom) {}

Reply SimDevice::errorReply(std::uint16_t code) {
    return Reply{0, code, {}, std::nullopt};
}

Reply SimDevice::execute(const Bytes& request) {
    const std::uint8_t order = request[1];
    const std::uint16_t parameter = le16(request.data() + 2);
    const std::size_t length = request.size() - kHeaderSize;
    const std::uint8_t* payload = request.data() + kHeaderSize;

    Reply reply{order, 0, {}, std::nullopt};
    switch (order) {
        case WriteRam:
            if (length != 8) {
                return errorReply(2);
            }
            ram_ = {le16(payload), le16(payload + 2), le16(payload + 4), le16(payload + 6)};
            reply.parameter = static_cast<std::uint16_t>(checkPlausibility(ram_));
            break;
        case ReadRam:
            reply.data = encodeParameters(ram_);
            break;
        case StoreEeprom:
            eeprom_ = ram_;
            break;
        case LoadEeprom:
            ram_ = eeprom_;
            reply.parameter = static_cast<std::uint16_t>(checkPlausibility(ram_));
            break;
        case ReadFirmwareId:
            reply.data.assign(options_.firmware.begin(), options_.firmware.end());
            break;
        case ReadSerialNumber:
            reply.parameter = options_.serial;
            reply.data.assign(options_.name.begin(), options_.name.end());
            break;
        case SetBaudrate:
            baudIndex_ = parameter;
            reply.newBaudIndex = parameter;
            break;
        case ReadHwInfo:
            if (parameter != kHwInfoKey) {
                return errorReply(1);
            }
            for (int i = 0; i < 256; ++i) {
                putLe16(reply.data, static_cast<std::uint16_t>(options_.hwSeed + i * 0x0103));
            }
            break;
        default:
            return errorReply(1);
    }
    return reply;
}

}  // namespace qvsim
