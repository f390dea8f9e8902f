#include "sim/flash_store.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace sim {

namespace {
constexpr uint32_t kBootHeadEnd = 0x000510;
constexpr uint32_t kLoaderStart = 0x010000;
constexpr uint32_t kDefaultLoaderWords = 0x1000;
}  // namespace

FlashStore::FlashStore() : memory_(kFlashSize) {
    data_ = memory_.data();
    FactoryState(data_, kDefaultLoaderWords);
}

FlashStore::~FlashStore() {
    if (mapped_) munmap(mapped_, kFlashSize);
}

void FlashStore::FactoryState(uint8_t* flash, uint32_t loaderWords) {
    std::memset(flash, 0xFF, kFlashSize);
    // A recognisable, non-blank boot head, with bytes that vary from probe to probe at
    // 0x20-0x27 (left out of the CRC).
    for (uint32_t i = 0; i < kBootHeadEnd; ++i) flash[i] = static_cast<uint8_t>(i * 7 + 3);
    const uint32_t loaderEnd = kLoaderStart + 0x40 + 4 * loaderWords;
    for (uint32_t i = kLoaderStart; i < loaderEnd && i < 0x030000; ++i)
        flash[i] = static_cast<uint8_t>(i * 13 + 1);
    flash[kLoaderStart + 12] = static_cast<uint8_t>(loaderWords >> 24);
    flash[kLoaderStart + 13] = static_cast<uint8_t>(loaderWords >> 16);
    flash[kLoaderStart + 14] = static_cast<uint8_t>(loaderWords >> 8);
    flash[kLoaderStart + 15] = static_cast<uint8_t>(loaderWords);
}

bool FlashStore::MapFile(const std::string& path, std::string& error) {
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        error = path + ": " + std::strerror(errno);
        return false;
    }
    struct stat st {};
    const bool fresh = fstat(fd, &st) != 0 || st.st_size != kFlashSize;
    if (fresh && ftruncate(fd, kFlashSize) != 0) {
        error = path + ": " + std::strerror(errno);
        close(fd);
        return false;
    }
    void* m = mmap(nullptr, kFlashSize, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    close(fd);
    if (m == MAP_FAILED) {
        error = path + ": " + std::strerror(errno);
        return false;
    }
    mapped_ = m;
    if (fresh) FactoryState(static_cast<uint8_t*>(m), kDefaultLoaderWords);
    data_ = static_cast<uint8_t*>(m);
    memory_.clear();
    memory_.shrink_to_fit();
    return true;
}

uint32_t SectorSize(uint32_t address) {
    return address < 0x010000 ? 0x2000 : 0x10000;
}
uint32_t SectorStart(uint32_t address) {
    return address & ~(SectorSize(address) - 1);
}

}  // namespace sim
