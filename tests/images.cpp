#include "tests/images.h"

#include <cstdio>
#include <random>

namespace test {

std::vector<uint8_t> RandomBytes(size_t size, uint32_t seed) {
    std::mt19937 random(seed);
    std::vector<uint8_t> v(size);
    for (uint8_t& b : v) b = static_cast<uint8_t>(random());
    return v;
}

std::vector<uint8_t> FirmwarePayload(size_t size, uint32_t seed) {
    std::vector<uint8_t> v = RandomBytes(size, seed);
    auto put32 = [&](size_t at, uint32_t x) {
        for (int i = 0; i < 4; ++i) v[at + i] = static_cast<uint8_t>(x >> (24 - 8 * i));
    };
    put32(0, 0x12345678);  // the marker word: whatever the image says, it goes out blank
    put32(4, 0x100000);
    put32(8, 0x40000000);
    put32(12, static_cast<uint32_t>(size / 4));
    v[26] = 0x00;
    v[27] = 0x01;
    return v;
}

std::string SRecordLine(char type, uint32_t address, const std::vector<uint8_t>& data) {
    const int addressBytes = type == '2' || type == '8' ? 3 : type == '3' || type == '7' ? 4 : 2;
    const size_t count = addressBytes + data.size() + 1;
    unsigned sum = static_cast<unsigned>(count);
    char hex[8];
    std::string line = "S";
    line += type;
    std::snprintf(hex, sizeof hex, "%02X", static_cast<unsigned>(count & 0xFF));
    line += hex;
    for (int i = addressBytes - 1; i >= 0; --i) {
        const unsigned b = address >> (8 * i) & 0xFF;
        sum += b;
        std::snprintf(hex, sizeof hex, "%02X", b);
        line += hex;
    }
    for (uint8_t b : data) {
        sum += b;
        std::snprintf(hex, sizeof hex, "%02X", b);
        line += hex;
    }
    std::snprintf(hex, sizeof hex, "%02X", ~sum & 0xFF);
    return line + hex + "\n";
}

std::string SRecordFile(const std::vector<uint8_t>& data, uint32_t address, char type,
                        size_t perLine, bool crlf) {
    std::string text = SRecordLine('0', 0, {'v', 'x', 'q'});
    for (size_t at = 0; at < data.size(); at += perLine) {
        const size_t n = std::min(perLine, data.size() - at);
        text += SRecordLine(type, address + static_cast<uint32_t>(at),
                            {data.begin() + at, data.begin() + at + n});
    }
    text += SRecordLine(static_cast<char>('0' + (10 - (type - '0'))), address, {});
    if (!crlf) return text;
    std::string out;
    for (char c : text) out += c == '\n' ? std::string("\r\n") : std::string(1, c);
    return out;
}

std::string PadToSize(const std::string& text, size_t size) {
    size_t missing = size > text.size() ? size - text.size() : 0;
    std::string out;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find('\n', start);
        const size_t stop = end == std::string::npos ? text.size() : end + 1;
        const size_t pad = std::min<size_t>(missing, 400);
        out.append(pad, ' ');
        missing -= pad;
        out.append(text, start, stop - start);
        start = stop;
    }
    return out;
}

}  // namespace test
