#include <cstring>
#include <string>

#include "link/link_private.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const ChannelSpec spec = ParseChannelSpec(text.c_str());
    if (std::strlen(spec.device) > 80 || std::strlen(spec.address) > 80) __builtin_trap();
    ResolveSerialDevice(spec.device);
    return 0;
}
