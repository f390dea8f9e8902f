// The register-file image: every FILE entry of a configuration's [REGS] section, each
// file's bytes behind a one-byte marker.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

inline constexpr int kConfigLineCapacity = 256;
inline constexpr uint32_t kRegisterImageCapacity = 65536;

// text: the configuration file's bytes; a 0xFF byte or the end of length ends it. image:
// 65,536 bytes filled with 0xFF. The image length, or kRegisterFileBad when a register
// file cannot be opened; 65,536 means the image is full (the caller rejects it).
int32_t ConfigImageBuilder(const uint8_t* text, size_t length, const std::string& configFileName,
                           uint8_t* image);

// One line into line (capacity bytes plus the terminating 0); returns where it stopped.
size_t ReadConfigLine(const uint8_t* text, size_t length, size_t position, size_t capacity,
                      char* line);
// One token of a line into token (at most capacity - 1 characters); returns the position
// after it.
const char* NextToken(const char* position, char* token, size_t capacity);
// The directory part of configFileName followed by rest; false when it does not fit the
// 256-byte path buffer.
bool PathBeside(const std::string& configFileName, const char* rest, char* path);
