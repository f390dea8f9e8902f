// The transport's reply handling: any reply bytes, in any order, behind an in-memory line.
// The input's first byte sets the reply capacity; the rest arrives on the line.
#include "link/link.h"
#include "tests/memory_port.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    test::MemoryPort::Shared line;
    line.input.assign(data + 1, data + size);
    SerialAttach(std::make_unique<test::MemoryPort>(line));
    LinkOpenAttachedSerial(115200);
    const uint8_t request[3] = {'e', 0x01, 0x02};
    uint8_t reply[1500];
    const int32_t capacity = data[0] * 6;
    for (int i = 0; i < 3; ++i) {
        const int32_t r = LinkTransact(3, request, capacity, reply, 1);
        if (r > capacity || r > 1498) __builtin_trap();
    }
    LinkClose();
    return 0;
}
