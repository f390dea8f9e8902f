// The probe's boot loader as a device: link-level messages, the command set, NOR flash,
// a one-entry resend cache and a record of everything that happened.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "sim/flash_store.h"

namespace sim {

struct Identity {
    uint16_t loaderVersion = 105;
    uint16_t firmwareField = 0x3000 + 102;
    std::string serial = "41002731";  // 8 characters
    bool answerQueryWithR = false;    // as a probe whose firmware runs answers
    bool shortIdentify = false;       // a 'd' reply of 20 bytes
};

// Reply shaping for one command letter, to show the host's checks.
struct ReplyShape {
    std::optional<uint8_t> letter;  // replaces byte 0
    int lengthDelta = 0;            // bytes added (zeros) or cut at the end
};

struct DeviceFaults {
    std::optional<uint32_t> failEraseSector;  // erase of the sector holding it reports 1
    std::optional<uint32_t> failProgramAt;    // programming that touches it reports 1
    std::map<uint8_t, ReplyShape> shapes;     // by command letter
    int setBaudLengthDelta = 0;               // speed-change answers this much longer
};

// Flash times, applied only with timing emulation.
struct FlashTiming {
    bool enabled = false;
    uint32_t smallEraseUs = 10000;
    uint32_t largeEraseUs = 40000;
    uint32_t programUsPerByte = 2;
};

enum class EventKind { Hello, SetBaud, Request, Reply, Erase, Program, Start };

struct Event {
    EventKind kind;
    uint8_t command = 0;        // Request/Reply: the body's first byte
    uint32_t address = 0;       // Erase: sector start; Program: first address
    uint32_t length = 0;        // Program: bytes
    bool overNonBlank = false;  // Program: some target byte was not 0xFF
    bool failed = false;
    std::vector<uint8_t> bytes;  // Request/Reply: the whole message; Program: the data
};

struct Response {
    std::vector<uint8_t> reply;  // empty: nothing to send
    uint32_t newSpeed = 0;       // after a LinkSetBaud answer: switch to this speed
    uint32_t busyUs = 0;         // flash time spent, with timing emulation
    bool fromCache = false;
};

class Probe {
public:
    Probe() = default;
    explicit Probe(const Identity& identity) : identity_(identity) {}

    // One message in, at most one message out. Thread-safe.
    Response Handle(const uint8_t* message, size_t length);

    bool MapFlashFile(const std::string& path, std::string& error);

    // Test access; all lock the probe.
    std::vector<uint8_t> ReadFlash(uint32_t address, uint32_t length);
    void WriteFlash(uint32_t address, const std::vector<uint8_t>& bytes);  // bypasses NOR rules
    void ResetFlash(uint32_t loaderWords = 0x1000);
    std::vector<Event> Events();
    void ClearEvents();
    void SetIdentity(const Identity& identity);
    void SetDeviceFaults(const DeviceFaults& faults);
    void SetTiming(const FlashTiming& timing);
    void SetAnswerSpeed(uint32_t speed);  // LinkSetBaud answers name this one (0: as asked)
    void SetRecordData(bool on);          // keep programmed data in the events

private:
    std::vector<uint8_t> Execute(const uint8_t* body, size_t length, uint32_t& busyUs);
    void Record(Event e);

    std::mutex mutex_;
    FlashStore flash_;
    Identity identity_;
    DeviceFaults faults_;
    FlashTiming timing_;
    uint32_t answerSpeed_ = 0;
    bool recordData_ = true;
    std::vector<uint8_t> cachedRequest_;
    std::vector<uint8_t> cachedReply_;
    std::vector<Event> events_;
};

}  // namespace sim
