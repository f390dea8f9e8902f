// What both front ends do with a probe, in plain functions: the dialog's buttons and the
// command line's commands run these, and only the way they speak to the user differs.
#pragma once

#include <cstdint>
#include <string>

#include "common/result.h"
#include "common/status.h"
#include "flash/update.h"

// The loader's factory-default address: where a probe without a setup record listens.
// Connect over NETWORK falls back to it after six failed attempts; every caller passes it
// in, so that tests and the demo can point the fall-back at loopback.
inline constexpr const char* kFactoryDefaultAddress = "192.168.0.99";

// The factory-default address in force: kFactoryDefaultAddress, unless the environment's
// VEXALINK_FACTORY_ADDRESS names another (the demo and the tests point it at loopback).
std::string FactoryAddress();

inline constexpr int kNetworkPortIndex = 0;
inline constexpr int kSpeedTable[] = {9600, 19200, 38400, 57600, 115200};
inline constexpr int kSpeedCount = 5;
inline constexpr int kConnectAttempts = 10;
inline constexpr int kAttemptsBeforeFallback = 6;

// Index of a baud rate in the speed table, -1 when it is none of them.
int SpeedIndexOf(int baudRate);

// What Identify told us last, and the newest image beside the program.
struct ProbeState {
    uint16_t loaderVersion = 0;
    uint16_t loadedVersion = 0;
    uint16_t newestVersion = 0;
    std::string serial;
    bool NewestDiffers() const { return newestVersion != loadedVersion; }
};

// "02A7E5" and the first six characters of the serial number.
std::string MacTextFor(const std::string& serial);

// Builds the channel text for a port index (0: NETWORK at address, n: COMn at the speed
// of speedIndex) and opens it. A COM port with a speed index outside the table, or a port
// index outside the list, opens nothing (kBadChannel).
ResultCode OpenSelectedChannel(int portIndex, int speedIndex, const std::string& address);

struct ConnectOutcome {
    ResultCode result = kOk;  // of the last attempt
    bool identified = false;  // Identify ran at least once (the MAC text is then renewed)
    int attempts = 0;
    bool Passed(const ProbeState& s) const { return result == kOk && s.loaderVersion != 0; }
};

// Up to ten attempts to open the channel and identify the loader; over NETWORK the last
// four go to fallbackAddress. Leaves the channel open only when it passes.
ConnectOutcome ConnectProbe(int portIndex, int speedIndex, const std::string& address,
                            const std::string& fallbackAddress, ProbeState& state);

struct UpdateOutcome {
    ResultCode update = kOk;    // the update itself (kOk also when it was skipped)
    ResultCode identify = kOk;  // the identification after it
    bool skipped = false;       // versions equal: nothing programmed
};

// The Update button's work: update when the versions differ (or force), then identify
// again. imagePath empty: the newest image beside the program. On failure the loaded
// version becomes 0.
UpdateOutcome UpdateAndIdentify(ProbeState& state, StatusLine& status,
                                const std::string& imagePath = {}, bool force = false,
                                const UpdateOptions& options = {});

// The Erase button's final text for EraseAndCheck's result.
std::string EraseFinalText(ResultCode result, uint16_t crc);
