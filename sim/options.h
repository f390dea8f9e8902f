#pragma once

#include <cstdint>
#include <string>

#include "sim/faults.h"
#include "sim/probe.h"

namespace sim {

struct SimOptions {
    std::string udpAddress;  // serve UDP port 2001 here
    std::string ptyLink;     // or a pseudo-terminal, its slave linked here
    std::string flashFile;
    uint32_t startSpeed = 9600;
    uint32_t answerSpeed = 0;
    uint32_t loaderWords = 0x1000;
    Identity identity;
    DeviceFaults device;
    LineFaults line;
    FlashTiming timing;
    bool help = false;
};

// false with error set for a bad command line.
bool ParseSimOptions(int argc, char** argv, SimOptions& options, std::string& error);
const char* SimUsage();

}  // namespace sim
