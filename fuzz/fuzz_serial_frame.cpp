// Any bytes on the line, through the serial frame decoder.
#include "tests/memory_port.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    test::MemoryPort::Shared line;
    line.input.assign(data, data + size);
    SerialAttach(std::make_unique<test::MemoryPort>(line));
    uint8_t buffer[1500];
    const int32_t capacity = size > 0 ? 1 + data[0] % 1500 : 1500;
    // Until the line runs dry: every call ends, with a message or a code.
    for (int guard = 0; guard <= static_cast<int>(size) + 1; ++guard) {
        const int32_t r = SerialReceiveFrame(10, capacity, buffer);
        if (r > capacity) __builtin_trap();
        if (r == kSerialTimeout && line.input.empty()) break;
    }
    SerialClose();
    return 0;
}
