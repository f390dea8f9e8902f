#include "link/ports.h"

#include <array>

#include "link/link_private.h"

namespace {

std::array<std::string, kLastComPort + 1> g_paths;  // empty: the default
SerialOpenError g_lastOpenError;

}  // namespace

std::string SerialDevicePath(int comNumber) {
    if (comNumber < kFirstComPort || comNumber > kLastComPort) return {};
    if (!g_paths[comNumber].empty()) return g_paths[comNumber];
    return "/dev/ttyS" + std::to_string(comNumber - 1);
}

void SetSerialDevicePath(int comNumber, const std::string& path) {
    if (comNumber >= kFirstComPort && comNumber <= kLastComPort) g_paths[comNumber] = path;
}

const SerialOpenError& LastSerialOpenError() {
    return g_lastOpenError;
}

void RecordSerialOpenError(const std::string& path, int error, const std::string& text) {
    g_lastOpenError = {path, error, text};
}

// "\\.\COM3", "COM3" -> the table; anything else is not a COM name (empty).
std::string ResolveSerialDevice(const char* name) {
    const char* p = name;
    while (*p == '\\' || *p == '.') ++p;
    if (p[0] != 'C' || p[1] != 'O' || p[2] != 'M') return {};
    int n = 0;
    const char* d = p + 3;
    if (*d < '0' || *d > '9') return {};
    for (; *d >= '0' && *d <= '9' && n <= kLastComPort; ++d) n = n * 10 + (*d - '0');
    if (*d != '\0') return {};
    return SerialDevicePath(n);
}
