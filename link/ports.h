// Where the COM names of a channel point on this machine, and why a port could not be
// opened. The front ends fill the table from the user's settings.
#pragma once

#include <string>

inline constexpr int kFirstComPort = 1;
inline constexpr int kLastComPort = 19;

// Device path of COMn (n from 1 to 19): /dev/ttyS(n-1) unless set otherwise.
std::string SerialDevicePath(int comNumber);
void SetSerialDevicePath(int comNumber, const std::string& path);

// The system's reason for the last failed serial open ("Permission denied", ...), the
// errno value behind it, and the device path it concerned. Empty after a good open.
struct SerialOpenError {
    std::string path;
    int error = 0;
    std::string text;
};
const SerialOpenError& LastSerialOpenError();
