// Writing the probe's network setup, and for stand-alone start its configuration.
#pragma once

#include <cstdint>
#include <string>

#include "common/result.h"

inline constexpr uint32_t kSetupRecordAddress = 0x006000;
inline constexpr uint32_t kSetupRecordSize = 104;
inline constexpr uint32_t kConfigImageAddress = 0x200000;
inline constexpr uint32_t kRegisterImageAddress = 0x210000;
inline constexpr uint32_t kImageBufferSize = 65536;
inline constexpr uint32_t kStandAloneHost = 0xFFFFFFFF;

ResultCode WriteSetupData(const std::string& probeAddress, const std::string& subnetMask,
                          const std::string& gateway, const std::string& hostAddress,
                          const std::string& configFileName);

// "a.b.c.d" with the first field in the top byte; 0xFFFFFFFF when not a valid address.
uint32_t ParseIPv4(const char* text);

// Up to 65,536 bytes of a file, unconverted; kConfigFileBad when it cannot be read.
int32_t ReadWholeFile(const std::string& name, uint8_t* buffer);

// The 104-byte record for a serial number of at least six characters.
void BuildSetupRecord(const std::string& serial, uint32_t probe, uint32_t subnet, uint32_t gateway,
                      uint32_t host, const std::string& configFileName, uint8_t* record);
