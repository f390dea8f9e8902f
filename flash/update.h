// Replacing the probe's firmware with an S-record image.
#pragma once

#include <cstdint>
#include <string>

#include "common/result.h"
#include "common/status.h"

struct UpdateOptions {
    bool verify = false;  // read everything back before the valid marker goes in
};

// Erases the 16 sectors of the firmware area, with progress; the first failure's code.
ResultCode EraseFirmwareArea(StatusLine& status);

// The image of version (beside the program): erase, program, check, mark valid.
ResultCode UpdateFirmware(uint16_t version, StatusLine& status);
// The same with an image file of the caller's choice.
ResultCode UpdateFirmwareFromFile(const std::string& path, StatusLine& status,
                                  const UpdateOptions& options = {});
