// Erasing the whole flash but the boot sector and the loader, and checking those two.
#pragma once

#include <cstdint>

#include "common/result.h"
#include "common/status.h"

// Erases the 68 sectors, then checks the boot and loader tails and reports their CRC.
ResultCode EraseAndCheck(StatusLine& status, uint16_t& crc);
// The blank checks and the CRC over 0x000000-0x02FFFF; kIllegalData for stray bytes.
ResultCode CheckBootAndLoader(uint16_t& crc);
bool AllErased(const uint8_t* block, uint16_t length);

// The erase list in its order, for those who check it.
inline constexpr int kEraseListLength = 68;
uint32_t EraseListSector(int index);  // index 0 to 67
