// The command line of vexalink-cli.
#pragma once

#include <optional>
#include <string>

enum class Command { None, Info, Update, Erase, Transmit, Start };

struct CliOptions {
    // Channel; nothing given: the channel stored in the dialog's settings.
    std::optional<std::string> netAddress;
    std::optional<std::string> serialDevice;
    std::optional<int> baudRate;
    bool factoryFallback = false;

    bool stay = false;
    bool json = false;
    bool help = false;
    bool version = false;

    Command command = Command::None;
    // update
    std::optional<std::string> image;
    bool force = false;
    bool verify = false;
    // transmit
    std::optional<std::string> ip, subnet, gateway, host, config;
};

// false with a one-line reason for a usage error.
bool ParseCliOptions(int argc, char** argv, CliOptions& options, std::string& error);
const char* CliUsage();
