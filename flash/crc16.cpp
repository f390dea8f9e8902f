#include "flash/crc16.h"

#include <array>

namespace {

constexpr std::array<uint16_t, 256> MakeTable() {
    std::array<uint16_t, 256> table{};
    for (unsigned i = 0; i < 256; ++i) {
        uint16_t c = static_cast<uint16_t>(i);
        for (int bit = 0; bit < 8; ++bit)
            c = (c & 1) ? static_cast<uint16_t>(c >> 1 ^ 0xA001) : c >> 1;
        table[i] = c;
    }
    return table;
}

constexpr std::array<uint16_t, 256> kTable = MakeTable();

}  // namespace

uint16_t Crc16Update(uint16_t crc, const uint8_t* bytes, uint16_t count) {
    for (uint16_t i = 0; i < count; ++i)
        crc = static_cast<uint16_t>(crc >> 8 ^ kTable[(crc ^ bytes[i]) & 0xFF]);
    return crc;
}
