#include "flash/setup.h"

uint32_t ParseIPv4(const char* text) {
    constexpr uint32_t kInvalid = 0xFFFFFFFF;
    uint32_t value = 0;
    const char* p = text;
    for (int field = 1; field <= 4; ++field) {
        unsigned number = 0;
        int digits = 0;
        for (; *p >= '0' && *p <= '9'; ++p) {
            if (++digits > 3) return kInvalid;
            number = number * 10 + static_cast<unsigned>(*p - '0');
        }
        if (number > 255) return kInvalid;
        value = value << 8 | number;
        if (field < 4) {
            if (*p != '.') return kInvalid;
            ++p;
        } else if (*p != '\0') {
            return kInvalid;
        }
    }
    return value;
}
