#include "flash/setup.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "common/pack.h"
#include "flash/config_image.h"
#include "loader/commands.h"

namespace {

constexpr uint8_t kMacPrefix[3] = {0x02, 0xA7, 0xE5};
constexpr size_t kMaxNameChars = 79;
constexpr size_t kSerialChars = 8;
constexpr uint16_t kChunkSize = 1024;

// Programs length bytes of image from address on, in whole 1024-byte chunks.
ResultCode ProgramImage(uint32_t address, const uint8_t* image, uint32_t length) {
    for (uint32_t sent = 0; sent < length; sent += kChunkSize) {
        uint32_t unused = 0;
        const ResultCode rc = ProgramFlash(address + sent, kChunkSize, image + sent, unused);
        if (rc != kOk) return rc;
    }
    return kOk;
}

}  // namespace

void BuildSetupRecord(const std::string& serial, uint32_t probe, uint32_t subnet, uint32_t gateway,
                      uint32_t host, const std::string& configFileName, uint8_t* record) {
    std::memset(record, 0x00, kSetupRecordSize);
    uint8_t* c = record;
    for (uint8_t b : kMacPrefix) c = PutByte(c, b);
    for (size_t i = 0; i < 6; i += 2)
        c = PutByte(c, static_cast<uint8_t>((serial[i] - 0x30) * 16 + (serial[i + 1] - 0x30)));
    c = PutByte(c, 0xFF);
    c = PutByte(c, 0xFF);
    c = PutBE32(c, probe);
    c = PutBE32(c, subnet);
    c = PutBE32(c, gateway);
    c = PutBE32(c, host);
    const size_t k = std::min(configFileName.size(), kMaxNameChars);
    std::memcpy(c, configFileName.data(), k);
    c[k] = 0x00;
}

int32_t ReadWholeFile(const std::string& name, uint8_t* buffer) {
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(name.c_str(), "rb"), std::fclose);
    if (!file) return kConfigFileBad;
    const size_t n = std::fread(buffer, 1, kImageBufferSize, file.get());
    // A read that fails after the open (a directory, an I/O error) is no short file.
    if (std::ferror(file.get())) return kConfigFileBad;
    return static_cast<int32_t>(n);
}

ResultCode WriteSetupData(const std::string& probeAddress, const std::string& subnetMask,
                          const std::string& gateway, const std::string& hostAddress,
                          const std::string& configFileName) {
    uint16_t loaderVersion = 0, firmwareVersion = 0;
    std::string serial;
    ResultCode rc = Identify(loaderVersion, firmwareVersion, serial);
    if (rc != kOk) return rc;
    // Without a full identification there is no serial number to build the MAC from.
    if (serial.size() != kSerialChars) return kWrongReply;

    uint8_t record[kSetupRecordSize];
    const uint32_t host = ParseIPv4(hostAddress.c_str());
    BuildSetupRecord(serial, ParseIPv4(probeAddress.c_str()), ParseIPv4(subnetMask.c_str()),
                     ParseIPv4(gateway.c_str()), host, configFileName, record);

    for (uint32_t sector : {kSetupRecordAddress, kConfigImageAddress, kRegisterImageAddress}) {
        rc = EraseSector(sector);
        if (rc != kOk) return rc;
    }
    uint32_t unused = 0;
    rc = ProgramFlash(kSetupRecordAddress, kSetupRecordSize, record, unused);
    if (rc != kOk) return rc;
    uint8_t readBack[kSetupRecordSize];
    rc = ReadMemory(kSetupRecordAddress, kSetupRecordSize, readBack);
    if (rc != kOk) return rc;
    if (std::memcmp(record, readBack, kSetupRecordSize) != 0) return kIllegalData;
    if (host != kStandAloneHost) return kOk;

    // Stand-alone start: the configuration file and the register files it names.
    std::vector<uint8_t> config(kImageBufferSize, 0xFF);
    const int32_t length = ReadWholeFile(configFileName, config.data());
    if (length < 0) return length;
    if (static_cast<uint32_t>(length) >= kImageBufferSize) return kConfigFileBad;
    rc = ProgramImage(kConfigImageAddress, config.data(), static_cast<uint32_t>(length));
    if (rc != kOk) return rc;

    std::vector<uint8_t> registers(kImageBufferSize, 0xFF);
    const int32_t imageLength = ConfigImageBuilder(config.data(), static_cast<size_t>(length),
                                                   configFileName, registers.data());
    if (imageLength < 0) return imageLength;
    if (static_cast<uint32_t>(imageLength) >= kImageBufferSize) return kRegisterFileBad;
    return ProgramImage(kRegisterImageAddress, registers.data(),
                        static_cast<uint32_t>(imageLength));
}
