// A configuration text plus the register files it may name (a.def, b.def), through the
// image builder. The input is the text, then 0x00 0x00, then a.def's bytes.
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "flash/config_image.h"

namespace {
std::string Dir() {
    static std::string dir = [] {
        char pattern[] = "/tmp/fuzz-config-XXXXXX";
        const char* made = mkdtemp(pattern);
        const std::string d = made ? made : "/tmp";
        if (FILE* f = std::fopen((d + "/b.def").c_str(), "wb")) {
            std::fputs("bbbb", f);
            std::fclose(f);
        }
        return d;
    }();
    return dir;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const size_t split = input.find(std::string("\0\0", 2));
    const std::string text = input.substr(0, split);
    const std::string regs = split == std::string::npos ? "" : input.substr(split + 2);
    if (FILE* f = std::fopen((Dir() + "/a.def").c_str(), "wb")) {
        std::fwrite(regs.data(), 1, regs.size(), f);
        std::fclose(f);
    }
    std::vector<uint8_t> image(kRegisterImageCapacity, 0xFF);
    const int32_t n = ConfigImageBuilder(reinterpret_cast<const uint8_t*>(text.data()), text.size(),
                                         Dir() + "/target.cfg", image.data());
    if (n > static_cast<int32_t>(kRegisterImageCapacity)) __builtin_trap();
    return 0;
}
