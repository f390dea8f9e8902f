// Where the firmware images lie (beside the program) and how versions are written.
#pragma once

#include <cstdint>
#include <string>

inline constexpr const char* kFirmwareBaseName = "VXQSWDFW";

// The newest image version beside the program, 0 when there is none.
uint16_t FindNewestFirmware(const char* baseName);
// ".105" -> 105; 0 for anything that is not a point and three digits.
uint16_t ExtensionVersion(const std::string& extension);
// The path of a version's image; empty for 0 and versions above 255.
std::string FirmwareImagePath(const char* baseName, uint16_t version);
// "1.05", or "unknown" outside 1 to 255.
std::string FormatVersion(uint16_t version);

// The directory, with its trailing '/', that the catalogue looks in: the program's own,
// unless set (tests, and the command line's --image-dir).
std::string ProgramDirectory();
void SetProgramDirectory(const std::string& directory);  // empty: the program's own again
