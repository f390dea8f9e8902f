#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace sim {

inline constexpr uint32_t kFlashSize = 0x400000;

// The probe's 4 MiB of flash, in memory or mapped from a file so that its state outlives
// the simulator and other processes can read it while it runs.
class FlashStore {
public:
    FlashStore();  // in memory, factory state
    ~FlashStore();
    FlashStore(const FlashStore&) = delete;
    FlashStore& operator=(const FlashStore&) = delete;

    // Maps path (created in factory state when missing or of the wrong size).
    bool MapFile(const std::string& path, std::string& error);

    uint8_t* data() { return data_; }
    const uint8_t* data() const { return data_; }

    // What a new probe holds: a boot sector head, a loader with its word count, all else
    // blank.
    static void FactoryState(uint8_t* flash, uint32_t loaderWords);

private:
    std::vector<uint8_t> memory_;
    uint8_t* data_ = nullptr;
    void* mapped_ = nullptr;
};

// Sector geometry: eight 8 KiB sectors, then 64 KiB sectors.
uint32_t SectorStart(uint32_t address);
uint32_t SectorSize(uint32_t address);

}  // namespace sim
