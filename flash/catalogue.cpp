#include "flash/catalogue.h"

#include <dirent.h>
#include <strings.h>
#include <unistd.h>

#include <climits>
#include <memory>

namespace {

std::string g_directoryOverride;

constexpr uint16_t kFirstUsableVersion = 1;
constexpr uint16_t kLastUsableVersion = 255;

}  // namespace

std::string ProgramDirectory() {
    if (!g_directoryOverride.empty()) return g_directoryOverride;
    char path[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return "./";
    const std::string exe(path, static_cast<size_t>(n));
    return exe.substr(0, exe.rfind('/') + 1);
}

void SetProgramDirectory(const std::string& directory) {
    g_directoryOverride = directory;
    if (!g_directoryOverride.empty() && g_directoryOverride.back() != '/')
        g_directoryOverride += '/';
}

uint16_t ExtensionVersion(const std::string& e) {
    if (e.size() != 4) return 0;
    for (size_t i = 1; i < 4; ++i)
        if (e[i] < '0' || e[i] > '9') return 0;
    return static_cast<uint16_t>((e[1] - '0') * 100 + (e[2] - '0') * 10 + (e[3] - '0'));
}

uint16_t FindNewestFirmware(const char* baseName) {
    const std::string base = baseName;
    std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(ProgramDirectory().c_str()), closedir);
    if (!dir) return 0;
    uint16_t newest = 0;
    while (const dirent* entry = readdir(dir.get())) {
        // The base name in any letter case, a point and at most three further characters,
        // whatever kind of entry it is.
        const std::string name = entry->d_name;
        if (name.size() < base.size() + 1 || name.size() > base.size() + 4) continue;
        if (strncasecmp(name.c_str(), base.c_str(), base.size()) != 0) continue;
        if (name[base.size()] != '.') continue;
        const uint16_t version = ExtensionVersion(name.substr(base.size()));
        if (version > newest) newest = version;
    }
    return newest;
}

std::string FirmwareImagePath(const char* baseName, uint16_t version) {
    if (version < kFirstUsableVersion || version > kLastUsableVersion) return {};
    const char extension[] = {'.', static_cast<char>('0' + version / 100),
                              static_cast<char>('0' + version % 100 / 10),
                              static_cast<char>('0' + version % 10), '\0'};
    return ProgramDirectory() + baseName + extension;
}

std::string FormatVersion(uint16_t version) {
    if (version < kFirstUsableVersion || version > kLastUsableVersion) return "unknown";
    return {static_cast<char>('0' + version / 100), '.',
            static_cast<char>('0' + version % 100 / 10), static_cast<char>('0' + version % 10)};
}
