#include "protocol/Crc8.h"

namespace qv {

int crc8Update(const std::uint8_t* buffer, int start, int count,
               const std::array<std::uint8_t, 256>& table) {
    std::uint8_t crc = kCrc8Start;
    for (int i = 0; i < count; ++i) {
        crc = table[crc ^ buffer[start + i]];
    }
    return crc;
}

}  // namespace qv
