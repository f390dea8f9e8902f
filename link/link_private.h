// Shared by the link's own files and its white-box tests; nothing above the link uses it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "common/result.h"

inline constexpr int kMessageCapacity = 1500;
inline constexpr int kMaxRequestBody = 1498;
inline constexpr int kMaxSendsPerRequest = 5;
inline constexpr uint16_t kLoaderUdpPort = 2001;
inline constexpr uint8_t kRequestFlags = 0x10;

// A serial device as the link needs it. The POSIX port implements it; tests and fuzzers
// plug in-memory byte sources into the same seam.
class SerialPort {
public:
    virtual ~SerialPort() = default;
    virtual bool SetSpeed(uint32_t bitsPerSecond) = 0;
    // One byte within limitMs: kOk, kSerialTimeout, or kSerialLineError when the device
    // reports an error that waiting will not clear (it has gone away).
    virtual ResultCode ReadByte(uint8_t& byte, uint32_t limitMs) = 0;
    // The whole buffer within limitMs: kOk or kSerialWriteFailed.
    virtual ResultCode Write(const uint8_t* data, size_t n, uint32_t limitMs) = 0;
};

enum class ChannelKind { None, Serial, Network };

struct LoaderLink {
    bool open = false;
    ChannelKind kind = ChannelKind::None;
    ResultCode sticky = kOk;
    uint8_t sequence = 0;
    uint8_t requestFlags = 0;
    std::unique_ptr<SerialPort> port;
    uint32_t speed = 0;
    int socket = -1;
    uint8_t tx[kMessageCapacity];
    uint8_t rx[kMessageCapacity];
    uint8_t frame[2 * kMessageCapacity + 6];  // a serial frame being built
};

LoaderLink& TheLink();

// ChannelSpec: at most 80 characters, up to three blank-separated tokens.
inline constexpr int kChannelSpecChars = 80;
struct ChannelSpec {
    ChannelKind kind = ChannelKind::None;      // None: not a channel name
    char device[kChannelSpecChars + 1] = {};   // serial: the device token
    int32_t speed = 0;                         // serial: requested speed
    char address[kChannelSpecChars + 1] = {};  // network: the address token
};
ChannelSpec ParseChannelSpec(const char* spec);

// Serial link.
ResultCode SerialOpen(const char* path);
// Opens a device by path; the POSIX implementation, or a test's.
std::unique_ptr<SerialPort> OpenSerialDevice(const std::string& path, int& error,
                                             std::string& errorText);
void SerialAttach(std::unique_ptr<SerialPort> port);  // as SerialOpen, with a given port
void SerialClose();
ResultCode SerialSetBaud(uint32_t speed);
ResultCode SerialReadByte(uint8_t& byte, uint32_t limitMs);
ResultCode SerialWrite(const uint8_t* bytes, size_t n);
ResultCode SerialSendFrame(const uint8_t* message, size_t length);
int32_t SerialReceiveFrame(uint32_t limitPerByteMs, int32_t capacity, uint8_t* buffer);
ResultCode SerialSync(int32_t requestedSpeed);
size_t BuildSerialFrame(const uint8_t* message, size_t length, uint8_t* frame);
std::string ResolveSerialDevice(const char* name);
void RecordSerialOpenError(const std::string& path, int error, const std::string& text);

// Network link.
ResultCode NetOpen(const char* host, uint16_t port);
void NetClose();
ResultCode NetSend(const uint8_t* bytes, size_t n);
int32_t NetReceive(uint32_t limitMs, int32_t capacity, uint8_t* buffer);
ResultCode NetHello();

// Marks the link open over an already attached serial port, as a successful LinkOpen
// does; for tests and fuzzers that drive the transport over an in-memory port.
void LinkOpenAttachedSerial(uint32_t speed);
