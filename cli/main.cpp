// vexalink-cli: the dialog's procedures for scripts and production lines.
#include <cstdio>

#include "app/probe_session.h"
#include "app/settings.h"
#include "cli/options.h"
#include "cli/port_advice.h"
#include "cli/reporter.h"
#include "flash/catalogue.h"
#include "flash/erase.h"
#include "flash/setup.h"
#include "link/link.h"
#include "link/ports.h"
#include "loader/commands.h"

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr int kDefaultSpeedIndex = 4;  // 115200
// A device path given on the command line is reached through this COM name.
constexpr int kPathComPort = 1;

struct Channel {
    int portIndex = 0;
    int speedIndex = kDefaultSpeedIndex;
    std::string address;
    std::string name;  // as the user named it
    std::string devicePath;
};

int Usage(const std::string& error) {
    std::fprintf(stderr, "vexalink-cli: %s\n\n%s", error.c_str(), CliUsage());
    return kExitUsage;
}

// "COM3" -> 3; 0 for anything else.
int ComNumber(const std::string& name) {
    if (name.size() < 4 || name.compare(0, 3, "COM") != 0) return 0;
    if (name.find_first_not_of("0123456789", 3) != std::string::npos || name.size() > 5) return 0;
    const int n = std::stoi(name.substr(3));
    return n >= kFirstComPort && n <= kLastComPort ? n : 0;
}

bool ChooseChannel(const CliOptions& o, const SetupSettings& stored, Channel& c,
                   std::string& error) {
    if (o.netAddress) {
        c.address = *o.netAddress;
        c.name = "NETWORK " + c.address;
        return true;
    }
    if (o.serialDevice) {
        c.portIndex = ComNumber(*o.serialDevice);
        if (c.portIndex == 0) {
            if (o.serialDevice->find('/') == std::string::npos) {
                error = "--serial: neither COM1..COM19 nor a device path: " + *o.serialDevice;
                return false;
            }
            c.portIndex = kPathComPort;
            SetSerialDevicePath(kPathComPort, *o.serialDevice);
        }
        c.speedIndex = SpeedIndexOf(o.baudRate.value_or(115200));
        c.name = *o.serialDevice;
        c.devicePath = SerialDevicePath(c.portIndex);
        return true;
    }
    c.portIndex = stored.portIndex;
    c.speedIndex = o.baudRate ? SpeedIndexOf(*o.baudRate) : stored.speedIndex;
    c.address = stored.vexaIP;
    if (c.portIndex == kNetworkPortIndex) {
        c.name = "NETWORK " + c.address;
    } else {
        c.name = "COM" + std::to_string(c.portIndex);
        c.devicePath = SerialDevicePath(c.portIndex);
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    CliOptions o;
    std::string error;
    if (!ParseCliOptions(argc, argv, o, error)) return Usage(error);
    if (o.help) {
        std::fputs(CliUsage(), stdout);
        return kExitOk;
    }
    if (o.version) {
        std::printf("vexalink-cli 1.6.0\n");
        return kExitOk;
    }

    LoadSerialDeviceTable();
    const std::string factory = FactoryAddress();
    const SetupSettings stored = LoadSetupSettings(factory);
    Channel channel;
    if (!ChooseChannel(o, stored, channel, error)) return Usage(error);

    // The dialog's rule for its address fields holds for the stored values too.
    const std::string ip = o.ip.value_or(stored.vexaIP), subnet = o.subnet.value_or(stored.subnet),
                      gateway = o.gateway.value_or(stored.gateway),
                      host = o.host.value_or(stored.hostIP),
                      config = o.config.value_or(stored.configFile);
    if (o.command == Command::Transmit) {
        for (const std::string* field : {&ip, &subnet, &gateway, &host})
            if (field->size() > 15) return Usage("no more than 15 characters: " + *field);
    }

    Reporter report(o.json, channel.name);
    if (!channel.devicePath.empty()) {
        const std::string latency = LatencyAdvice(channel.devicePath);
        if (!latency.empty()) report.Note(latency);
    }

    report.SetText("Connecting to Vexa Loader ...");
    ProbeState state;
    state.newestVersion = FindNewestFirmware(kFirmwareBaseName);
    const ConnectOutcome connected =
        ConnectProbe(channel.portIndex, channel.speedIndex, channel.address,
                     o.factoryFallback ? factory : channel.address, state);
    if (!connected.Passed(state)) {
        report.Message(connected.result != kOk ? "Cannot connect to Vexa loader!"
                                               : "There is no VexaQ connected!");
        report.SetText("Connecting to Vexa loader failed!");
        const ResultCode code = connected.result != kOk ? connected.result : kWrongReply;
        report.Result(code, kExitFailed,
                      code == kSerialOpenFailed ? SerialOpenAdvice() : std::vector<std::string>{});
        return kExitFailed;
    }
    report.SetText("Connecting to Vexa Loader passed!");

    ResultCode rc = kOk;
    switch (o.command) {
        case Command::Info:
            report.Values("info", {{"Serial number", state.serial},
                                   {"MAC address", MacTextFor(state.serial)},
                                   {"Loader version", FormatVersion(state.loaderVersion)},
                                   {"Loaded version", FormatVersion(state.loadedVersion)},
                                   {"Newest version", FormatVersion(state.newestVersion)}});
            break;
        case Command::Update: {
            UpdateOptions options;
            options.verify = o.verify;
            const UpdateOutcome outcome =
                UpdateAndIdentify(state, report, o.image.value_or(""), o.force, options);
            if (outcome.update != kOk) {
                report.Message("Firmware update failed!");
                rc = outcome.update;
            } else {
                rc = outcome.identify;
            }
            report.SetText(rc == kOk ? "Updating firmware passed!" : "Updating firmware failed!");
            break;
        }
        case Command::Erase: {
            report.SetText("Erasing Flash ...");
            uint16_t crc = 0;
            rc = EraseAndCheck(report, crc);
            report.SetText(EraseFinalText(rc, crc));
            if (rc == kOk) report.Crc(crc);
            break;
        }
        case Command::Transmit:
            report.SetText("Writing setup data ....");
            rc = WriteSetupData(ip, subnet, gateway, host, config);
            report.SetText(rc == kOk ? "Writing setup data passed" : "Writing setup data failed!");
            if (rc != kOk) report.Message("Transfer failed!");
            break;
        case Command::Start:
            report.SetText("Starting firmware please wait....");
            rc = StartFirmware();
            break;
        case Command::None:
            break;
    }

    if (o.command != Command::Start && !o.stay) {
        report.SetText("Starting firmware please wait....");
        StartFirmware();
    }
    LinkClose();
    report.Result(rc, rc == kOk ? kExitOk : kExitFailed);
    return rc == kOk ? kExitOk : kExitFailed;
}
