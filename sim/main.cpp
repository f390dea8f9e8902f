// vexaq-sim: the simulated probe as a program, for the demo, scripts and by-hand tries.
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <memory>

#include "sim/options.h"
#include "sim/servers.h"

namespace {
volatile sig_atomic_t g_stop = 0;
void OnSignal(int) {
    g_stop = 1;
}
}  // namespace

int main(int argc, char** argv) {
    sim::SimOptions options;
    std::string error;
    if (!sim::ParseSimOptions(argc, argv, options, error)) {
        std::fprintf(stderr, "vexaq-sim: %s\n%s", error.c_str(), sim::SimUsage());
        return 2;
    }
    if (options.help) {
        std::fputs(sim::SimUsage(), stdout);
        return 0;
    }
    sim::Probe probe(options.identity);
    if (!options.flashFile.empty() && !probe.MapFlashFile(options.flashFile, error)) {
        std::fprintf(stderr, "vexaq-sim: %s\n", error.c_str());
        return 1;
    }
    if (options.flashFile.empty()) probe.ResetFlash(options.loaderWords);
    probe.SetDeviceFaults(options.device);
    probe.SetTiming(options.timing);
    probe.SetAnswerSpeed(options.answerSpeed);
    probe.SetRecordData(false);  // nobody reads the events of a long-running process

    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);

    std::unique_ptr<sim::UdpServer> udp;
    std::unique_ptr<sim::PtyServer> pty;
    if (!options.udpAddress.empty()) {
        udp = std::make_unique<sim::UdpServer>(probe, options.udpAddress, options.line);
        if (!udp->Start(error)) {
            std::fprintf(stderr, "vexaq-sim: %s\n", error.c_str());
            return 1;
        }
        std::fprintf(stderr, "vexaq-sim: serving UDP %s:2001\n", options.udpAddress.c_str());
    } else {
        pty = std::make_unique<sim::PtyServer>(probe, options.ptyLink, options.startSpeed,
                                               options.line);
        if (!pty->Start(error)) {
            std::fprintf(stderr, "vexaq-sim: %s\n", error.c_str());
            return 1;
        }
        std::fprintf(stderr, "vexaq-sim: serving %s -> %s at %u bit/s\n", options.ptyLink.c_str(),
                     pty->SlavePath().c_str(), options.startSpeed);
    }
    std::printf("ready\n");
    std::fflush(stdout);
    while (!g_stop) usleep(50 * 1000);
    return 0;
}
