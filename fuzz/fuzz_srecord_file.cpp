// A whole image through the block reader, as the updater reads it.
#include <sys/mman.h>
#include <unistd.h>

#include <string>

#include "flash/srecord.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const int fd = memfd_create("image", 0);
    if (fd < 0) return 0;
    if (write(fd, data, size) != static_cast<ssize_t>(size)) {
        close(fd);
        return 0;
    }
    {
        TextFile file("/proc/self/fd/" + std::to_string(fd));
        uint8_t block[kFirmwareBlockSize];
        uint32_t start = 0;
        ClearPendingRecord();
        int32_t n;
        while ((n = ReadFirmwareBlock(file, block, start)) > 0)
            if (n > kFirmwareBlockSize) __builtin_trap();
    }
    close(fd);
    return 0;
}
