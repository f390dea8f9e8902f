#include <cstdlib>
#include <cstring>

#include "link/link_private.h"

namespace {

// Reads a signed decimal as atoi does: leading white space, one sign, digits; 0 without.
int32_t ReadSpeed(const char* text) {
    const char* p = text;
    while (*p == ' ' || (*p >= '\t' && *p <= '\r')) ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    uint32_t value = 0;
    for (; *p >= '0' && *p <= '9'; ++p) value = value * 10 + static_cast<uint32_t>(*p - '0');
    return static_cast<int32_t>(negative ? 0u - value : value);
}

}  // namespace

ChannelSpec ParseChannelSpec(const char* spec) {
    char text[kChannelSpecChars + 1];
    std::strncpy(text, spec, kChannelSpecChars);
    text[kChannelSpecChars] = '\0';

    const char* tokens[3] = {};
    int count = 0;
    char* p = text;
    while (count < 3) {
        while (*p == ' ') ++p;
        if (*p == '\0') break;
        tokens[count++] = p;
        while (*p != ' ' && *p != '\0') ++p;
        if (*p == '\0') break;
        *p++ = '\0';
    }

    ChannelSpec result;
    if (count == 0) return result;
    if (std::strncmp(tokens[0], "COM", 3) == 0 || tokens[0][0] == '\\') {
        result.kind = ChannelKind::Serial;
        std::strcpy(result.device, tokens[0]);
        result.speed = count >= 2 ? ReadSpeed(tokens[1]) : 115200;
    } else if (std::strcmp(tokens[0], "NETWORK") == 0 && count >= 2) {
        result.kind = ChannelKind::Network;
        std::strcpy(result.address, tokens[1]);
    }
    return result;
}
