#include "flash/image_header.h"

#include "common/pack.h"

namespace {
constexpr uint32_t kFlashLimit = 0x400000;
constexpr uint32_t kMemoryStart = 0x40000000;
constexpr uint32_t kMemoryLimit = 0x41000000;
constexpr uint16_t kHeaderCheckValue = 0x0001;
}  // namespace

bool ImageHeaderValid(const uint8_t* h) {
    uint32_t flashAddress = 0, memoryAddress = 0, words = 0;
    uint16_t check = 0;
    GetBE32(GetBE32(GetBE32(h + 4, flashAddress), memoryAddress), words);
    GetBE16(h + 26, check);
    // Exact sums: a word count too large for its window fails however large it is.
    const uint64_t bytes = uint64_t{words} * 4;
    return flashAddress >= kFirmwareStart && flashAddress + bytes <= kFlashLimit &&
           memoryAddress >= kMemoryStart && memoryAddress + bytes <= kMemoryLimit &&
           check == kHeaderCheckValue;
}
