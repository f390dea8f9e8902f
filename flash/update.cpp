#include "flash/update.h"

#include <algorithm>
#include <cstring>

#include "flash/catalogue.h"
#include "flash/image_header.h"
#include "flash/srecord.h"
#include "loader/commands.h"

namespace {

constexpr uint32_t kMinimumImageFileSize = 100000;
constexpr int kFirmwareSectors = 16;
constexpr uint32_t kLargeSectorSize = 0x10000;

const char kInvalidFile[] = "Invalid Firmware File!";
const char kProgrammingFailed[] = "Programming Firmware ... failed!";

// Blocks are programmed in whole words.
uint16_t PadToWords(uint8_t* block, int32_t n) {
    while (n % 4 != 0) block[n++] = 0xFF;
    return static_cast<uint16_t>(n);
}

// The valid marker's word goes out blank while the image is programmed, so that only the
// last write of a complete update can make the image look valid.
void BlankMarkerWord(uint32_t start, uint8_t* block, uint16_t n) {
    for (uint32_t a = kFirmwareStart; a < kFirmwareStart + sizeof kValidMarker; ++a)
        if (a >= start && a < start + n) block[a - start] = 0xFF;
}

// Reads the whole image once before anything is erased: every line valid, some data, all
// of it inside the firmware area, and an acceptable header of its own.
bool ImageAcceptable(TextFile& file) {
    uint8_t block[kFirmwareBlockSize];
    uint8_t header[kImageHeaderSize];
    std::memset(header, 0xFF, sizeof header);
    bool anyData = false;
    uint32_t start = 0;
    ClearPendingRecord();
    int32_t n;
    while ((n = ReadFirmwareBlock(file, block, start)) > 0) {
        const uint64_t end = uint64_t{start} + PadToWords(block, n);
        if (start < kFirmwareStart || end > kFirmwareEnd) return false;
        anyData = true;
        for (uint32_t a = start; a < end && a < kFirmwareStart + kImageHeaderSize; ++a)
            header[a - kFirmwareStart] = block[a - start];
    }
    return n == 0 && anyData && ImageHeaderValid(header);
}

// Reads every programmed block back and compares it with the image.
ResultCode VerifyImage(TextFile& file, StatusLine& status) {
    uint8_t block[kFirmwareBlockSize];
    uint8_t flash[kFirmwareBlockSize];
    uint32_t start = 0;
    file.Rewind();
    ClearPendingRecord();
    int32_t n;
    while ((n = ReadFirmwareBlock(file, block, start)) > 0) {
        const uint16_t length = PadToWords(block, n);
        BlankMarkerWord(start, block, length);
        const ResultCode rc = ReadMemory(start, length, flash);
        if (rc != kOk) return rc;
        if (std::memcmp(block, flash, length) != 0) return kIllegalData;
        ShowProgress("Verifying Firmware ... ( %u%% )", status, file.Size(), file.Position());
    }
    return n < 0 ? kInvalidImage : kOk;
}

}  // namespace

ResultCode EraseFirmwareArea(StatusLine& status) {
    ResultCode first = kOk;
    for (int step = 1; step <= kFirmwareSectors; ++step) {
        if (first == kOk) first = EraseSector(kFirmwareStart + (step - 1) * kLargeSectorSize);
        ShowProgress("Erasing Firmware ... ( %u%% )", status, kFirmwareSectors, step);
    }
    return first;
}

ResultCode UpdateFirmware(uint16_t version, StatusLine& status) {
    return UpdateFirmwareFromFile(FirmwareImagePath(kFirmwareBaseName, version), status);
}

ResultCode UpdateFirmwareFromFile(const std::string& path, StatusLine& status,
                                  const UpdateOptions& options) {
    TextFile file(path);
    if (!file.is_open()) return kInvalidImage;
    if (file.Size() < kMinimumImageFileSize || !ImageAcceptable(file)) {
        status.SetText(kInvalidFile);
        return kInvalidImage;
    }

    status.SetText("Erasing Firmware ...");
    ResultCode rc = EraseFirmwareArea(status);
    if (rc != kOk) {
        status.SetText("Erasing Firmware ... failed!");
        return rc;
    }

    status.SetText("Programming Firmware ...");
    file.Rewind();
    ClearPendingRecord();
    uint8_t block[kFirmwareBlockSize];
    uint32_t start = 0;
    int32_t n;
    while ((n = ReadFirmwareBlock(file, block, start)) > 0) {
        const uint16_t length = PadToWords(block, n);
        BlankMarkerWord(start, block, length);
        uint32_t unused = 0;
        rc = ProgramFlash(start, length, block, unused);
        if (rc != kOk) status.SetText("Firmware: Programming Flash ... failed!");
        ShowProgress("Firmware: Programming Flash ... ( %u%% )", status, file.Size(),
                     file.Position());
        if (rc != kOk) {
            status.SetText(kProgrammingFailed);
            return rc;
        }
    }
    if (n < 0) {  // the file changed under us since it was checked
        status.SetText(kInvalidFile);
        return kInvalidImage;
    }

    rc = ReadMemory(kFirmwareStart, kImageHeaderSize, block);
    if (rc != kOk) {
        status.SetText(kProgrammingFailed);
        return rc;
    }
    if (!ImageHeaderValid(block)) {
        status.SetText(kInvalidFile);
        return kInvalidImage;
    }

    if (options.verify) {
        status.SetText("Verifying Firmware ...");
        rc = VerifyImage(file, status);
        if (rc != kOk) {
            status.SetText("Verifying Firmware ... failed!");
            return rc;
        }
    }

    std::memcpy(block, kValidMarker, sizeof kValidMarker);
    uint32_t unused = 0;
    rc = ProgramFlash(kFirmwareStart, sizeof kValidMarker, block, unused);
    if (rc != kOk) {
        status.SetText(kProgrammingFailed);
        return rc;
    }
    status.SetText("Programming Firmware ... passed!");
    return kOk;
}
