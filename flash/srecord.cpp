#include "flash/srecord.h"

#include <cstring>

namespace {

struct PendingRecord {
    int32_t count = 0;  // > 0 only while a record waits to open the next block
    uint32_t address = 0;
    uint8_t data[kMaxRecordData] = {};
};
PendingRecord g_pending;

uint8_t DigitValue(char c) {
    if (c >= '0' && c <= '9') return static_cast<uint8_t>(c - '0');
    if (c >= 'A' && c <= 'F') return static_cast<uint8_t>(c - 'A' + 10);
    return 0;
}

}  // namespace

uint8_t HexPairValue(char high, char low) {
    return static_cast<uint8_t>(DigitValue(high) * 16 + DigitValue(low));
}

int ParseSRecordLine(const char* line, uint32_t& address, uint8_t* data) {
    char text[TextFile::kLineChars + 1];
    size_t length = 0;
    for (; line[length] != '\0' && length < TextFile::kLineChars; ++length) {
        const char c = line[length];
        text[length] = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    }
    text[length] = '\0';
    if (length == 0 || line[length] != '\0') return -1;
    const char* s = std::strchr(text, 'S');
    if (s == nullptr) return -1;
    const size_t p = static_cast<size_t>(s - text);
    if (length - p - 1 < 2) return -1;
    const char type = s[1];
    const int count = HexPairValue(s[2], s[3]);
    // After the checksum exactly one character, normally the line feed.
    if (length != p + 5 + 2 * static_cast<size_t>(count)) return -1;

    int addressBytes;
    switch (type) {
        case '1':
            addressBytes = 2;
            break;
        case '2':
            addressBytes = 3;
            break;
        case '3':
            addressBytes = 4;
            break;
        default:
            return 0;
    }
    if (count < addressBytes + 1) return -1;

    const char* d = s + 4;
    unsigned sum = static_cast<unsigned>(count);
    uint32_t a = 0;
    for (int i = 0; i < addressBytes; ++i, d += 2) {
        const uint8_t b = HexPairValue(d[0], d[1]);
        a = a << 8 | b;
        sum += b;
    }
    const int dataBytes = count - addressBytes - 1;
    for (int i = 0; i < dataBytes; ++i, d += 2) {
        data[i] = HexPairValue(d[0], d[1]);
        sum += data[i];
    }
    const uint8_t checksum = HexPairValue(d[0], d[1]);
    if (((sum + checksum) & 0xFF) != 0xFF) return -1;
    address = a;
    return dataBytes;
}

void ClearPendingRecord() {
    g_pending.count = 0;
}

int32_t ReadFirmwareBlock(TextFile& file, uint8_t* block, uint32_t& startAddress) {
    int32_t filled = 0;
    uint32_t start = 0;
    bool invalid = false;
    if (g_pending.count > 0) {
        std::memcpy(block, g_pending.data, static_cast<size_t>(g_pending.count));
        start = g_pending.address;
        filled = g_pending.count;
        g_pending.count = 0;
    }
    char line[TextFile::kLineChars + 1];
    while (file.ReadLine(line)) {
        g_pending.count = ParseSRecordLine(line, g_pending.address, g_pending.data);
        if (g_pending.count < 0) {
            invalid = true;
            break;
        }
        if (g_pending.count == 0) continue;
        if (filled == 0) start = g_pending.address;
        if (g_pending.address != start + static_cast<uint32_t>(filled) ||
            filled + g_pending.count > kFirmwareBlockSize)
            break;  // the record stays pending and opens the next block
        std::memcpy(block + filled, g_pending.data, static_cast<size_t>(g_pending.count));
        filled += g_pending.count;
        g_pending.count = 0;
    }
    // A read error is no end of the file.
    if (file.failed()) invalid = true;
    startAddress = start;
    return invalid ? kInvalidImage : filled;
}
