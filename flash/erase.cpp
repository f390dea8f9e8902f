#include "flash/erase.h"

#include <cstring>

#include "common/pack.h"
#include "flash/crc16.h"
#include "loader/commands.h"

namespace {

constexpr uint16_t kReadSize = 1024;

struct EraseRun {
    uint32_t first;
    uint32_t step;
    int sectors;
};
// Everything but the boot sector (0x000000) and the loader's two sectors (0x010000).
constexpr EraseRun kEraseRuns[] = {
    {0x002000, 0x2000, 7},
    {0x030000, 0x10000, 13},
    {0x100000, 0x10000, 48},
};

constexpr uint32_t kBootTailStart = 0x000510;
constexpr int kBootTailReads = 7;
constexpr uint32_t kLoaderStart = 0x010000;
constexpr uint32_t kLoaderWordCountOffset = 12;
constexpr uint32_t kLoaderBodyStart = 0x010040;
constexpr uint32_t kLoaderEnd = 0x030000;
constexpr uint32_t kCrcEnd = 0x030000;
constexpr uint32_t kCrcSkipStart = 0x20;  // bytes that differ from probe to probe
constexpr uint32_t kCrcSkipEnd = 0x28;

}  // namespace

uint32_t EraseListSector(int index) {
    for (const EraseRun& run : kEraseRuns) {
        if (index < run.sectors) return run.first + static_cast<uint32_t>(index) * run.step;
        index -= run.sectors;
    }
    return 0;
}

bool AllErased(const uint8_t* block, uint16_t length) {
    for (uint16_t i = 0; i < length; ++i)
        if (block[i] != 0xFF) return false;
    return true;
}

ResultCode EraseAndCheck(StatusLine& status, uint16_t& crc) {
    ResultCode first = kOk;
    for (int step = 1; step <= kEraseListLength; ++step) {
        if (first == kOk) first = EraseSector(EraseListSector(step - 1));
        ShowProgress("Erasing Flash ... ( %u%% )", status, kEraseListLength, step);
    }
    if (first != kOk) return first;
    status.SetText("Checking for illegal data in boot/loader sectors");
    return CheckBootAndLoader(crc);
}

// A failed read is the check's failure: its bytes were never read.
ResultCode CheckBootAndLoader(uint16_t& crc) {
    uint8_t block[kReadSize];
    for (int i = 0; i < kBootTailReads; ++i) {
        const ResultCode rc =
            ReadMemory(kBootTailStart + i * uint32_t{kReadSize}, kReadSize, block);
        if (rc != kOk) return rc;
        if (!AllErased(block, kReadSize)) return kIllegalData;
    }

    ResultCode rc = ReadMemory(kLoaderStart, kReadSize, block);
    if (rc != kOk) return rc;
    uint32_t words = 0;
    GetBE32(block + kLoaderWordCountOffset, words);
    for (uint64_t a = kLoaderBodyStart + uint64_t{words} * 4; a < kLoaderEnd; a += kReadSize) {
        rc = ReadMemory(static_cast<uint32_t>(a), kReadSize, block);
        if (rc != kOk) return rc;
        if (!AllErased(block, kReadSize)) return kIllegalData;
    }

    uint16_t sum = 0;
    for (uint32_t a = 0; a < kCrcEnd; a += kReadSize) {
        rc = ReadMemory(a, kReadSize, block);
        if (rc != kOk) return rc;
        if (a == 0) std::memset(block + kCrcSkipStart, 0x00, kCrcSkipEnd - kCrcSkipStart);
        sum = Crc16Update(sum, block, kReadSize);
    }
    crc = sum;
    return kOk;
}
