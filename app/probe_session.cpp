#include "app/probe_session.h"

#include <cstdio>
#include <cstdlib>

#include "flash/catalogue.h"
#include "link/link.h"
#include "link/ports.h"
#include "loader/commands.h"

std::string FactoryAddress() {
    const char* address = std::getenv("VEXALINK_FACTORY_ADDRESS");
    return address && *address ? address : kFactoryDefaultAddress;
}

int SpeedIndexOf(int baudRate) {
    for (int i = 0; i < kSpeedCount; ++i)
        if (kSpeedTable[i] == baudRate) return i;
    return -1;
}

std::string MacTextFor(const std::string& serial) {
    return "02A7E5" + serial.substr(0, 6);
}

ResultCode OpenSelectedChannel(int portIndex, int speedIndex, const std::string& address) {
    char spec[96];
    if (portIndex != kNetworkPortIndex) {
        if (portIndex < kFirstComPort || portIndex > kLastComPort || speedIndex < 0 ||
            speedIndex >= kSpeedCount)
            return kBadChannel;
        std::snprintf(spec, sizeof spec, "\\\\.\\COM%i %i", portIndex, kSpeedTable[speedIndex]);
        return LinkOpen(spec);
    }
    return LinkOpen(("NETWORK " + address).c_str());
}

ConnectOutcome ConnectProbe(int portIndex, int speedIndex, const std::string& address,
                            const std::string& fallbackAddress, ProbeState& state) {
    ConnectOutcome outcome;
    std::string working = address;
    for (int i = 0; i < kConnectAttempts; ++i) {
        ++outcome.attempts;
        outcome.result = OpenSelectedChannel(portIndex, speedIndex, working);
        if (outcome.result == kOk) {
            outcome.result = Identify(state.loaderVersion, state.loadedVersion, state.serial);
            outcome.identified = true;
            if (outcome.result == kOk) break;
        }
        LinkClose();
        if (i == kAttemptsBeforeFallback - 1 && portIndex == kNetworkPortIndex)
            working = fallbackAddress;
    }
    if (!outcome.Passed(state)) LinkClose();
    return outcome;
}

UpdateOutcome UpdateAndIdentify(ProbeState& state, StatusLine& status, const std::string& imagePath,
                                bool force, const UpdateOptions& options) {
    UpdateOutcome outcome;
    if (force || !imagePath.empty() || state.NewestDiffers()) {
        const std::string path = imagePath.empty()
                                     ? FirmwareImagePath(kFirmwareBaseName, state.newestVersion)
                                     : imagePath;
        outcome.update = UpdateFirmwareFromFile(path, status, options);
        if (outcome.update != kOk) {
            state.loadedVersion = 0;
            return outcome;
        }
    } else {
        outcome.skipped = true;
    }
    outcome.identify = Identify(state.loaderVersion, state.loadedVersion, state.serial);
    if (outcome.identify != kOk) state.loadedVersion = 0;
    return outcome;
}

std::string EraseFinalText(ResultCode result, uint16_t crc) {
    if (result == kOk) {
        char text[64];
        std::snprintf(text, sizeof text, "Erasing Flash passed! (CRC=%i)", static_cast<int>(crc));
        return text;
    }
    if (result == kIllegalData) return "Illegal data in boot/loader sectors detected!";
    return "Erasing Flash failed!";
}
