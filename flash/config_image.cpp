#include "flash/config_image.h"

#include <climits>
#include <cstdio>
#include <cstring>
#include <memory>

#include "common/result.h"

namespace {

constexpr size_t kPathCapacity = 256;
constexpr uint8_t kTextEnd = 0xFF;
constexpr uint8_t kMarkerBase = 0x80;

uint8_t ByteAt(const uint8_t* text, size_t length, size_t position) {
    return position < length ? text[position] : kTextEnd;
}

// atoi's reading of a number, clamped instead of undefined when it overflows.
int AtoiValue(const char* s) {
    while (*s == ' ' || (*s >= '\t' && *s <= '\r')) ++s;
    bool negative = false;
    if (*s == '+' || *s == '-') negative = *s++ == '-';
    long long v = 0;
    for (; *s >= '0' && *s <= '9'; ++s)
        if (v <= INT_MAX) v = v * 10 + (*s - '0');
    if (negative) v = -v;
    if (v > INT_MAX) return INT_MAX;
    if (v < INT_MIN) return INT_MIN;
    return static_cast<int>(v);
}

}  // namespace

size_t ReadConfigLine(const uint8_t* text, size_t length, size_t position, size_t capacity,
                      char* line) {
    while (ByteAt(text, length, position) <= 0x20) ++position;
    size_t n = 0;
    while (n < capacity) {
        const uint8_t b = ByteAt(text, length, position);
        if (b > 0x7F || b == '\r' || b == '\n') break;
        line[n++] = b == '\t' ? ' ' : static_cast<char>(b);
        ++position;
    }
    line[n] = '\0';
    return position;
}

const char* NextToken(const char* p, char* token, size_t capacity) {
    while (*p == ' ') ++p;
    size_t n = 0;
    auto store = [&](char c) {
        if (n + 1 < capacity) token[n++] = c;
    };
    if (*p == '"') {
        ++p;
        while (*p != '"' && *p != '\0') store(*p++);
        if (*p == '"') ++p;
    } else {
        while (*p != ' ' && *p != ';' && *p != '\0') store(*p++);
    }
    token[n] = '\0';
    return p;
}

bool PathBeside(const std::string& configFileName, const char* rest, char* path) {
    const size_t separator = configFileName.find_last_of("/\\");
    const size_t keep = separator == std::string::npos ? 0 : separator + 1;
    const size_t restLength = std::strlen(rest);
    if (keep + restLength >= kPathCapacity) return false;
    std::memcpy(path, configFileName.data(), keep);
    std::memcpy(path + keep, rest, restLength + 1);
    return true;
}

int32_t ConfigImageBuilder(const uint8_t* text, size_t length, const std::string& configFileName,
                           uint8_t* image) {
    bool inRegs = false;
    size_t write = 0;
    size_t read = 0;
    char line[kConfigLineCapacity + 1];
    char token[kConfigLineCapacity];
    char path[kPathCapacity];
    while (true) {
        read = ReadConfigLine(text, length, read, kConfigLineCapacity, line);
        const uint8_t stop = ByteAt(text, length, read);
        // A byte from 0x80 to 0xFE ends its line and is passed over, so the scan always
        // moves on; 0xFF still ends the text.
        if (stop > 0x7F && stop != kTextEnd) ++read;
        if (line[0] != '\0') {
            const char* p = NextToken(line, token, sizeof token);
            if (token[0] == '[') {
                inRegs = std::strcmp(token, "[REGS]") == 0;
            } else if (token[0] != '\0' && inRegs) {
                int n = 0;
                p = line;
                if (line[0] == '#') {
                    p = NextToken(line + 1, token, sizeof token);
                    n = AtoiValue(token);
                }
                p = NextToken(p, token, sizeof token);
                if (std::strcmp(token, "FILE") == 0) {
                    NextToken(p, token, sizeof token);
                    bool fits = true;
                    if (token[0] == '$')
                        fits = PathBeside(configFileName, token + 1, path);
                    else
                        std::memcpy(path, token, std::strlen(token) + 1);
                    std::unique_ptr<FILE, int (*)(FILE*)> file(
                        fits ? std::fopen(path, "rb") : nullptr,
                        [](FILE* f) { return f ? std::fclose(f) : 0; });
                    if (!file) return kRegisterFileBad;
                    // Once the image is full nothing more is written; the length stays
                    // at the capacity, which the caller rejects.
                    if (write < kRegisterImageCapacity) {
                        image[write++] = static_cast<uint8_t>(kMarkerBase | (n & 0x3F));
                        write += std::fread(image + write, 1, kRegisterImageCapacity - write,
                                            file.get());
                    }
                    if (std::ferror(file.get())) return kRegisterFileBad;
                }
            }
        }
        if (stop == kTextEnd) return static_cast<int32_t>(write);
    }
}
