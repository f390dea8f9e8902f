#include "loader/commands.h"

#include <cstring>

#include "common/delay.h"
#include "common/pack.h"
#include "link/link.h"

namespace {

constexpr uint8_t kQueryLoader = 'r';
constexpr uint8_t kIdentify = 'd';
constexpr uint8_t kReadMemory = 'e';
constexpr uint8_t kEraseSector = 'g';
constexpr uint8_t kProgramFlash = 'h';
constexpr uint8_t kStartFirmware = 'q';

constexpr int32_t kIdentifyReplyLength = 21;
constexpr int32_t kReadReplyOverhead = 7;
constexpr int32_t kEraseReplyLength = 2;
constexpr int32_t kProgramReplyLength = 6;
constexpr uint16_t kFirmwareVersionOffset = 0x3000;
constexpr int kSerialChars = 8;

uint8_t g_request[kCommandBufferSize];
uint8_t g_reply[kCommandBufferSize];

int32_t Transact(const uint8_t* end, uint32_t limitMs) {
    return LinkTransact(static_cast<int32_t>(end - g_request), g_request, kCommandBufferSize,
                        g_reply, limitMs);
}

}  // namespace

ResultCode Identify(uint16_t& loaderVersion, uint16_t& firmwareVersion, std::string& serial) {
    int32_t r = Transact(PutByte(g_request, kQueryLoader), kQueryLimitMs);
    if (r < 0) return r;
    if (g_reply[0] == kQueryLoader) {
        Delay(kNotReadyPauseMs);
        return kLoaderNotReady;
    }
    r = Transact(PutByte(g_request, kIdentify), kIdentifyLimitMs);
    if (r < 0) return r;
    if (r != kIdentifyReplyLength) {
        loaderVersion = 0;
        firmwareVersion = 0;
        return kOk;
    }
    if (g_reply[0] != kIdentify) return kWrongReply;
    uint16_t loader = 0;
    uint16_t field = 0;
    const uint8_t* c = GetBE16(g_reply + 1, loader);
    GetBE16(c, field);
    loaderVersion = loader;
    serial.assign(reinterpret_cast<const char*>(g_reply + 9), kSerialChars);
    const auto version = static_cast<uint16_t>(field - kFirmwareVersionOffset);
    firmwareVersion = version > 0xFF ? 0 : version;
    return kOk;
}

ResultCode ReadMemory(uint32_t address, uint16_t length, uint8_t* destination) {
    uint8_t* c = PutByte(g_request, kReadMemory);
    c = PutBE32(c, address);
    c = PutBE16(c, length);
    const int32_t r = Transact(c, kReadLimitMs);
    if (r < 0) return r;
    if (r != length + kReadReplyOverhead || g_reply[0] != kReadMemory) return kWrongReply;
    if (length > 0) std::memcpy(destination, g_reply + kReadReplyOverhead, length);
    return kOk;
}

ResultCode EraseSector(uint32_t address) {
    const int32_t r =
        Transact(PutBE32(PutByte(g_request, kEraseSector), address), kEraseSectorLimitMs);
    if (r < 0) return r;
    if (r != kEraseReplyLength || g_reply[0] != kEraseSector) return kWrongReply;
    return g_reply[1] != 0 ? kEraseFailed : kOk;
}

ResultCode ProgramFlash(uint32_t address, uint16_t length, const uint8_t* data, uint32_t& value) {
    // Refused before anything is copied: the request buffer holds 7 + 1493 bytes at most.
    if (length > kMaxProgramBytes) return kBadChannel;
    uint8_t* c = PutByte(g_request, kProgramFlash);
    c = PutBE32(c, address);
    c = PutBE16(c, length);
    if (length > 0) std::memcpy(c, data, length);
    const int32_t r = Transact(c + length, kProgramLimitMs);
    if (r < 0) return r;
    if (r != kProgramReplyLength || g_reply[0] != kProgramFlash) return kWrongReply;
    const uint8_t status = g_reply[1];
    GetBE32(g_reply + 2, value);
    return status != 0 ? kProgramFailed : kOk;
}

ResultCode StartFirmware() {
    const int32_t r = Transact(PutByte(g_request, kStartFirmware), kStartLimitMs);
    return r < 0 ? r : kOk;
}
