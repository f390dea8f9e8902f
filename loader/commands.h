// The boot loader's command set. Each command builds its request, runs it through the
// link once (the link does the retrying) and checks and decodes the reply.
#pragma once

#include <cstdint>
#include <string>

#include "common/result.h"

inline constexpr uint32_t kQueryLimitMs = 100;
inline constexpr uint32_t kIdentifyLimitMs = 1000;
inline constexpr uint32_t kReadLimitMs = 100;
inline constexpr uint32_t kEraseSectorLimitMs = 10000;
inline constexpr uint32_t kProgramLimitMs = 1000;
inline constexpr uint32_t kStartLimitMs = 200;
// After a query answered with 'r', before giving up.
inline constexpr uint32_t kNotReadyPauseMs = 1000;

inline constexpr int kCommandBufferSize = 1500;
// The most data one ProgramFlash carries: the request buffer holds 7 + n bytes.
inline constexpr uint16_t kMaxProgramBytes = kCommandBufferSize - 7;

// Loader version, loaded firmware version (0 when none or unknown) and the 8-character
// serial number. A reply without version data gives 0 and 0 and leaves serial as it was.
ResultCode Identify(uint16_t& loaderVersion, uint16_t& firmwareVersion, std::string& serial);
ResultCode ReadMemory(uint32_t address, uint16_t length, uint8_t* destination);
ResultCode EraseSector(uint32_t address);
ResultCode ProgramFlash(uint32_t address, uint16_t length, const uint8_t* data, uint32_t& value);
ResultCode StartFirmware();
