#pragma once

#include <cstdint>

// CRC-16/ARC (reflected 0x8005, initial 0, no final XOR; "123456789" gives 0xBB3D).
uint16_t Crc16Update(uint16_t crc, const uint8_t* bytes, uint16_t count);
