#include <cstring>
#include <string>

#include "flash/srecord.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string line(reinterpret_cast<const char*>(data), size);
    uint32_t address = 0;
    uint8_t record[kMaxRecordData];
    const int n = ParseSRecordLine(line.c_str(), address, record);
    if (n > kMaxRecordData) __builtin_trap();
    HexPairValue(size > 0 ? line[0] : 0, size > 1 ? line[1] : 0);
    return 0;
}
