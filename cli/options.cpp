#include "cli/options.h"

#include <cstring>

#include "app/probe_session.h"

namespace {

struct CommandName {
    const char* name;
    Command command;
};
constexpr CommandName kCommands[] = {{"info", Command::Info},
                                     {"update", Command::Update},
                                     {"erase", Command::Erase},
                                     {"transmit", Command::Transmit},
                                     {"start", Command::Start}};

bool ParseBaud(const std::string& text, int& rate) {
    if (text.empty() || text.size() > 6 ||
        text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    rate = std::stoi(text);
    return SpeedIndexOf(rate) >= 0;
}

}  // namespace

const char* CliUsage() {
    return "usage: vexalink-cli [CHANNEL] [OPTIONS] COMMAND [COMMAND OPTIONS]\n"
           "\n"
           "Channel (default: the one stored by the vexalink dialog):\n"
           "  --net ADDRESS        the probe's loader over UDP port 2001\n"
           "  --serial DEVICE      COM1..COM19 (as set in the settings) or a device path\n"
           "  --baud RATE          9600, 19200, 38400, 57600 or 115200 (default 115200)\n"
           "  --factory-fallback   after six failed attempts, try the factory-default address\n"
           "Options:\n"
           "  --stay               leave the probe in its loader (no firmware start at the end)\n"
           "  --json               JSON Lines on stdout instead of text\n"
           "  --help, --version\n"
           "Commands:\n"
           "  info                 serial number, MAC address and versions\n"
           "  update [--image FILE] [--force] [--verify]\n"
           "                       program the newest image beside the program, or FILE\n"
           "  erase                erase the flash, check boot and loader, print their CRC\n"
           "  transmit [--ip A] [--subnet M] [--gateway G] [--host H] [--config FILE]\n"
           "                       write the network setup (missing values: the settings')\n"
           "  start                start the probe's firmware\n";
}

bool ParseCliOptions(int argc, char** argv, CliOptions& o, std::string& error) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&](std::optional<std::string>& out) {
            if (i + 1 >= argc || argv[i + 1][0] == '\0') {
                error = arg + " needs a value";
                return false;
            }
            out = argv[++i];
            return true;
        };
        auto commandOption = [&](Command c) {
            if (o.command == c) return true;
            error = arg + " belongs to another command";
            return false;
        };
        std::optional<std::string> v;
        if (arg == "--help" || arg == "-h") {
            o.help = true;
        } else if (arg == "--version") {
            o.version = true;
        } else if (arg == "--net") {
            if (!value(o.netAddress)) return false;
        } else if (arg == "--serial") {
            if (!value(o.serialDevice)) return false;
        } else if (arg == "--baud") {
            if (!value(v)) return false;
            int rate = 0;
            if (!ParseBaud(*v, rate)) {
                error = "--baud: not one of 9600, 19200, 38400, 57600, 115200: " + *v;
                return false;
            }
            o.baudRate = rate;
        } else if (arg == "--factory-fallback") {
            o.factoryFallback = true;
        } else if (arg == "--stay") {
            o.stay = true;
        } else if (arg == "--json") {
            o.json = true;
        } else if (arg == "--image") {
            if (!commandOption(Command::Update) || !value(o.image)) return false;
        } else if (arg == "--force") {
            if (!commandOption(Command::Update)) return false;
            o.force = true;
        } else if (arg == "--verify") {
            if (!commandOption(Command::Update)) return false;
            o.verify = true;
        } else if (arg == "--ip" || arg == "--subnet" || arg == "--gateway" || arg == "--host") {
            if (!commandOption(Command::Transmit)) return false;
            std::optional<std::string>& field = arg == "--ip"        ? o.ip
                                                : arg == "--subnet"  ? o.subnet
                                                : arg == "--gateway" ? o.gateway
                                                                     : o.host;
            if (!value(field)) return false;
            if (field->size() > 15) {
                error = arg + ": no more than 15 characters: " + *field;
                return false;
            }
        } else if (arg == "--config") {
            if (!commandOption(Command::Transmit) || !value(o.config)) return false;
        } else if (!arg.empty() && arg[0] == '-') {
            error = "unknown option: " + arg;
            return false;
        } else {
            if (o.command != Command::None) {
                error = "one command only: " + arg;
                return false;
            }
            for (const CommandName& c : kCommands)
                if (arg == c.name) o.command = c.command;
            if (o.command == Command::None) {
                error = "unknown command: " + arg;
                return false;
            }
        }
    }
    if (o.help || o.version) return true;
    if (o.netAddress && o.serialDevice) {
        error = "--net and --serial name two channels";
        return false;
    }
    if (o.baudRate && o.netAddress) {
        error = "--baud applies to a serial channel";
        return false;
    }
    if (o.command == Command::None) {
        error = "no command given";
        return false;
    }
    return true;
}
