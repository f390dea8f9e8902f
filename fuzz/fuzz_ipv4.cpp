#include <string>

#include "flash/setup.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    ParseIPv4(text.c_str());
    return 0;
}
