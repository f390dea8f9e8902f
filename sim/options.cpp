#include "sim/options.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace sim {

namespace {

bool Number(const char* text, uint32_t& value) {
    char* end = nullptr;
    errno = 0;
    const unsigned long v = std::strtoul(text, &end, 0);
    if (end == text || *end != '\0' || errno != 0 || v > 0xFFFFFFFFul) return false;
    value = static_cast<uint32_t>(v);
    return true;
}

bool Probability(const char* text, double& value) {
    char* end = nullptr;
    value = std::strtod(text, &end);
    return end != text && *end == '\0' && value >= 0 && value <= 1;
}

// "e=x" -> command 'e', text "x"
bool CommandPair(const char* text, uint8_t& command, const char*& rest) {
    if (!text[0] || text[1] != '=') return false;
    command = static_cast<uint8_t>(text[0]);
    rest = text + 2;
    return true;
}

}  // namespace

const char* SimUsage() {
    return "usage: vexaq-sim (--udp ADDRESS | --pty LINK) [options]\n"
           "The VexaQ boot loader, simulated: serves UDP port 2001 on a loopback ADDRESS, or a\n"
           "pseudo-terminal whose slave device LINK is made a symbolic link to.\n"
           "Runs until interrupted; prints \"ready\" on stdout once it serves.\n"
           "\n"
           "Probe:\n"
           "  --flash FILE           keep the 4 MiB flash in FILE (made in factory state)\n"
           "  --loader-words N       loader word count of a factory flash (default 0x1000)\n"
           "  --loader-version N     loader version (default 105, shown as 1.05)\n"
           "  --firmware-version N   loaded firmware version (default 102)\n"
           "  --firmware-field N     the raw firmware version field (default 0x3066)\n"
           "  --serial TEXT          serial number, 8 characters (default 41002731)\n"
           "  --query-r              answer the loader query with 'r' (firmware running)\n"
           "  --short-identify       answer identify with 20 bytes (no serial number)\n"
           "  --fail-erase ADDRESS   the erase of the sector holding ADDRESS fails\n"
           "  --fail-program ADDRESS programming that touches ADDRESS fails\n"
           "  --reply-letter C=X     replies to command C start with X instead\n"
           "  --reply-length C=N     replies to command C get N bytes more (or fewer)\n"
           "Serial line:\n"
           "  --speed N              the loader's speed at start (default 9600)\n"
           "  --answer-speed N       name N in every speed-change answer\n"
           "Faults (probabilities 0 to 1, drawn from --seed):\n"
           "  --seed N               random seed (default 1)\n"
           "  --drop-requests P      requests lost before the loader\n"
           "  --drop-replies P       replies lost\n"
           "  --stale P              a reply with other sequence bits first\n"
           "  --hold P               LinkHold first, the reply 20 ms later\n"
           "  --runt P               a 1- or 2-byte message first\n"
           "  --corrupt P            serial: wrong check byte; UDP: wrong length field\n"
           "  --garbage P            serial: noise bytes before the frame\n"
           "  --latency MS           wait before every reply\n"
           "  --timing               emulate wire time at the line speed and flash times\n"
           "  --help                 this text\n";
}

bool ParseSimOptions(int argc, char** argv, SimOptions& o, std::string& error) {
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        auto value = [&](const char*& out) {
            if (i + 1 >= argc) {
                error = std::string(arg) + " needs a value";
                return false;
            }
            out = argv[++i];
            return true;
        };
        auto number = [&](uint32_t& out) {
            const char* v = nullptr;
            if (!value(v)) return false;
            if (!Number(v, out)) {
                error = std::string(arg) + ": not a number: " + v;
                return false;
            }
            return true;
        };
        auto probability = [&](double& out) {
            const char* v = nullptr;
            if (!value(v)) return false;
            if (!Probability(v, out)) {
                error = std::string(arg) + ": not a probability from 0 to 1: " + v;
                return false;
            }
            return true;
        };
        const char* v = nullptr;
        uint32_t n = 0;
        if (!std::strcmp(arg, "--help")) {
            o.help = true;
        } else if (!std::strcmp(arg, "--udp")) {
            if (!value(v)) return false;
            o.udpAddress = v;
        } else if (!std::strcmp(arg, "--pty")) {
            if (!value(v)) return false;
            o.ptyLink = v;
        } else if (!std::strcmp(arg, "--flash")) {
            if (!value(v)) return false;
            o.flashFile = v;
        } else if (!std::strcmp(arg, "--loader-words")) {
            if (!number(o.loaderWords)) return false;
        } else if (!std::strcmp(arg, "--loader-version")) {
            if (!number(n)) return false;
            o.identity.loaderVersion = static_cast<uint16_t>(n);
        } else if (!std::strcmp(arg, "--firmware-version")) {
            if (!number(n)) return false;
            o.identity.firmwareField = static_cast<uint16_t>(0x3000 + n);
        } else if (!std::strcmp(arg, "--firmware-field")) {
            if (!number(n)) return false;
            o.identity.firmwareField = static_cast<uint16_t>(n);
        } else if (!std::strcmp(arg, "--serial")) {
            if (!value(v)) return false;
            o.identity.serial = v;
        } else if (!std::strcmp(arg, "--query-r")) {
            o.identity.answerQueryWithR = true;
        } else if (!std::strcmp(arg, "--short-identify")) {
            o.identity.shortIdentify = true;
        } else if (!std::strcmp(arg, "--fail-erase")) {
            if (!number(n)) return false;
            o.device.failEraseSector = n;
        } else if (!std::strcmp(arg, "--fail-program")) {
            if (!number(n)) return false;
            o.device.failProgramAt = n;
        } else if (!std::strcmp(arg, "--reply-letter") || !std::strcmp(arg, "--reply-length")) {
            uint8_t command = 0;
            const char* rest = nullptr;
            if (!value(v)) return false;
            if (!CommandPair(v, command, rest) || !*rest) {
                error = std::string(arg) + ": expected C=VALUE, got " + v;
                return false;
            }
            if (!std::strcmp(arg, "--reply-letter"))
                o.device.shapes[command].letter = static_cast<uint8_t>(rest[0]);
            else
                o.device.shapes[command].lengthDelta = std::atoi(rest);
        } else if (!std::strcmp(arg, "--speed")) {
            if (!number(o.startSpeed)) return false;
        } else if (!std::strcmp(arg, "--answer-speed")) {
            if (!number(o.answerSpeed)) return false;
        } else if (!std::strcmp(arg, "--seed")) {
            if (!number(o.line.seed)) return false;
        } else if (!std::strcmp(arg, "--drop-requests")) {
            if (!probability(o.line.dropRequest)) return false;
        } else if (!std::strcmp(arg, "--drop-replies")) {
            if (!probability(o.line.dropReply)) return false;
        } else if (!std::strcmp(arg, "--stale")) {
            if (!probability(o.line.stale)) return false;
        } else if (!std::strcmp(arg, "--hold")) {
            if (!probability(o.line.hold)) return false;
        } else if (!std::strcmp(arg, "--runt")) {
            if (!probability(o.line.runt)) return false;
        } else if (!std::strcmp(arg, "--corrupt")) {
            if (!probability(o.line.corrupt)) return false;
        } else if (!std::strcmp(arg, "--garbage")) {
            if (!probability(o.line.garbage)) return false;
        } else if (!std::strcmp(arg, "--latency")) {
            if (!number(o.line.latencyMs)) return false;
        } else if (!std::strcmp(arg, "--timing")) {
            o.line.timing = true;
            o.timing.enabled = true;
        } else {
            error = std::string("unknown option: ") + arg;
            return false;
        }
    }
    if (!o.help && o.udpAddress.empty() == o.ptyLink.empty()) {
        error = "give exactly one of --udp ADDRESS and --pty LINK";
        return false;
    }
    return true;
}

}  // namespace sim
