#include "flash/catalogue.h"

#include <cctype>

#include "flash/directory.h"

namespace {

std::string g_directoryOverride;

constexpr uint16_t kFirstUsableVersion = 1;
constexpr uint16_t kLastUsableVersion = 255;

bool StartsWithIgnoringCase(const std::string& text, const std::string& prefix) {
    if (text.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(text[i])) !=
            std::tolower(static_cast<unsigned char>(prefix[i])))
            return false;
    return true;
}

}  // namespace

std::string ProgramDirectory() {
    return g_directoryOverride.empty() ? ExecutableDirectory() : g_directoryOverride;
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
    uint16_t newest = 0;
    // The base name in any letter case, a point and at most three further characters,
    // whatever kind of entry it is.
    for (const std::string& name : DirectoryEntries(ProgramDirectory())) {
        if (name.size() < base.size() + 1 || name.size() > base.size() + 4) continue;
        if (!StartsWithIgnoringCase(name, base)) continue;
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
