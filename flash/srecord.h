// Motorola S-record images, read strictly: one bad line makes the whole image invalid.
#pragma once

#include <cstdint>

#include "common/result.h"
#include "flash/text_file.h"

inline constexpr int kFirmwareBlockSize = 1024;
inline constexpr int kMaxRecordData = 256;

// 16 * the first digit's value + the second's; characters that are no digit count 0.
uint8_t HexPairValue(char high, char low);

// One line: the data bytes of a data record (> 0), 0 for a line without data, -1 for an
// invalid line. data must hold kMaxRecordData bytes.
int ParseSRecordLine(const char* line, uint32_t& address, uint8_t* data);

// The next block of contiguous data (1 to 1024 bytes) and its start address; 0 at the end
// of the image; kInvalidImage for an invalid line or a read error.
int32_t ReadFirmwareBlock(TextFile& file, uint8_t* block, uint32_t& startAddress);

// Forgets a record left waiting by the previous block; before the first block of a file.
void ClearPendingRecord();
