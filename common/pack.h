// Big-endian cursor functions: the only way messages and flash structures are built and
// read. Each returns the cursor advanced past what it touched; none checks bounds.
#pragma once

#include <cstdint>

inline uint8_t* PutByte(uint8_t* c, uint8_t v) {
    *c = v;
    return c + 1;
}
inline uint8_t* PutBE16(uint8_t* c, uint16_t v) {
    c[0] = static_cast<uint8_t>(v >> 8);
    c[1] = static_cast<uint8_t>(v);
    return c + 2;
}
inline uint8_t* PutBE32(uint8_t* c, uint32_t v) {
    c[0] = static_cast<uint8_t>(v >> 24);
    c[1] = static_cast<uint8_t>(v >> 16);
    c[2] = static_cast<uint8_t>(v >> 8);
    c[3] = static_cast<uint8_t>(v);
    return c + 4;
}
inline const uint8_t* GetByte(const uint8_t* c, uint8_t& v) {
    v = c[0];
    return c + 1;
}
inline const uint8_t* GetBE16(const uint8_t* c, uint16_t& v) {
    v = static_cast<uint16_t>(c[0] << 8 | c[1]);
    return c + 2;
}
inline const uint8_t* GetBE32(const uint8_t* c, uint32_t& v) {
    v = uint32_t{c[0]} << 24 | uint32_t{c[1]} << 16 | uint32_t{c[2]} << 8 | c[3];
    return c + 4;
}
