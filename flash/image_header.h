// The first 32 bytes of the firmware area, and the rules an image's header must keep.
#pragma once

#include <cstdint>

inline constexpr uint32_t kFirmwareStart = 0x100000;
inline constexpr uint32_t kFirmwareEnd = 0x200000;  // first address past the area
inline constexpr uint32_t kImageHeaderSize = 32;
inline constexpr uint8_t kValidMarker[4] = {0xAA, 0x55, 0x55, 0xAA};

// true when the header's addresses, word count and check value are acceptable.
bool ImageHeaderValid(const uint8_t* header);
