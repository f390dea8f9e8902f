// What a user can do about a serial port that cannot be opened or is slow.
#pragma once

#include <string>
#include <vector>

// The system's reason for the last failed open and the usual remedy, one line each.
std::vector<std::string> SerialOpenAdvice();
// A note when the device is a USB adapter whose latency timer slows every exchange;
// empty otherwise.
std::string LatencyAdvice(const std::string& devicePath);
