#pragma once

#include <array>
#include <cstdint>

namespace qv {

// Dallas/Maxim CRC-8 (x^8 + x^5 + x^4 + 1, reflected 0x8C): entry i is the CRC of the single
// byte i with start value 0.
inline constexpr std::array<std::uint8_t, 256> Crc8Table = [] {
    std::array<std::uint8_t, 256> table{};
    for (int i = 0; i < 256; ++i) {
        std::uint8_t crc = static_cast<std::uint8_t>(i);
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 1) ? static_cast<std::uint8_t>((crc >> 1) ^ 0x8C)
                            : static_cast<std::uint8_t>(crc >> 1);
        }
        table[i] = crc;
    }
    return table;
}();

inline constexpr std::uint8_t kCrc8Start = 0xAA;

// CRC-8 with start value 0xAA over `count` bytes from buffer[start]; 0xAA for no bytes.
int crc8Update(const std::uint8_t* buffer, int start, int count,
               const std::array<std::uint8_t, 256>& table = Crc8Table);

}  // namespace qv
