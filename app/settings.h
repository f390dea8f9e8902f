// The user's settings: company "Morvane", application "vexaLink", section
// "Setup Cortex-SWD"; and the COM device table in section "Serial Ports".
#pragma once

#include <string>

struct SetupSettings {
    int speedIndex = 0;  // "Baudrate": an index into the speed list, not a rate
    int portIndex = 0;   // "ComPort": 0 NETWORK, n COMn
    std::string vexaIP;
    std::string subnet;
    std::string gateway;
    std::string hostIP;
    std::string configFile;
};

// Every key with its default when missing or unreadable; factoryAddress is VexaIP's.
SetupSettings LoadSetupSettings(const std::string& factoryAddress);
// All seven keys in their order; "ConfigFile" only when withConfigFile.
void SaveSetupSettings(const SetupSettings& settings, bool withConfigFile);

// Points COM1..COM19 of the link at the device paths of the "Serial Ports" section.
void LoadSerialDeviceTable();
