// The performance record: wall time against the protocol's minimum for the main jobs,
// over UDP loopback and a timed pseudo-terminal. Run by hand (scripts/bench), not by CI.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "flash/catalogue.h"
#include "flash/erase.h"
#include "flash/setup.h"
#include "flash/update.h"
#include "link/link.h"
#include "link/ports.h"
#include "loader/commands.h"
#include "sim/probe.h"
#include "sim/servers.h"
#include "tests/images.h"
#include "tests/support.h"

namespace {

using Clock = std::chrono::steady_clock;

double ThreadCpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_THREAD, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

class Quiet final : public StatusLine {
public:
    void SetText(const std::string&) override {}
};

struct Measure {
    double wall = 0, cpu = 0;
    int result = 0;
};

Measure Time(const std::function<int()>& work) {
    const double cpu0 = ThreadCpuSeconds();
    const auto t0 = Clock::now();
    Measure m;
    m.result = work();
    m.wall = std::chrono::duration<double>(Clock::now() - t0).count();
    m.cpu = ThreadCpuSeconds() - cpu0;
    return m;
}

size_t FrameBytes(const std::vector<uint8_t>& message) {
    size_t n = 6;
    uint8_t check = 0;
    for (uint8_t b : message) {
        n += b == 0x10 ? 2 : 1;
        check ^= b;
    }
    return n + (check == 0x10 ? 1 : 0);
}

// The least time the exchanges the probe saw can take: every frame both ways on the wire
// at speed (0: none, as on UDP), and the flash's own times.
double Minimum(sim::Probe& probe, uint32_t speed, const sim::FlashTiming& timing) {
    double seconds = 0;
    for (const sim::Event& e : probe.Events()) {
        if ((e.kind == sim::EventKind::Request || e.kind == sim::EventKind::Reply) && speed)
            seconds += FrameBytes(e.bytes) * 10.0 / speed;
        if (e.kind == sim::EventKind::Erase && timing.enabled)
            seconds += (e.length == 0x2000 ? timing.smallEraseUs : timing.largeEraseUs) / 1e6;
        if (e.kind == sim::EventKind::Program && timing.enabled)
            seconds += timing.programUsPerByte * e.length / 1e6;
    }
    return seconds;
}

int RoundTrips(sim::Probe& probe) {
    int n = 0;
    for (const sim::Event& e : probe.Events()) n += e.kind == sim::EventKind::Request;
    return n;
}

void Row(const char* job, const std::string& channel, const Measure& m, double minimum,
         const std::string& note = "") {
    std::printf("| %-26s | %-22s | %9.3f s | %9.3f s | %5.2f | %7.3f s | %s%s\n", job,
                channel.c_str(), m.wall, minimum, minimum > 0 ? m.wall / minimum : 0.0, m.cpu,
                m.result == 0 ? "" : "FAILED ", note.c_str());
    std::fflush(stdout);
}

struct Channel {
    std::string name;
    bool serial;
    uint32_t speed;    // serial
    uint32_t latency;  // UDP, ms
};

// A probe on a channel, connected, for the life of the object.
class Bench {
public:
    explicit Bench(const Channel& c) : channel(c) {
        sim::LineFaults faults;
        faults.latencyMs = c.latency;
        faults.timing = c.serial;
        if (c.serial) {
            timing.enabled = true;
            probe.SetTiming(timing);
            pty = std::make_unique<sim::PtyServer>(probe, dir.File("tty"), c.speed, faults);
            std::string error;
            pty->Start(error);
            SetSerialDevicePath(1, dir.File("tty"));
            char spec[64];
            std::snprintf(spec, sizeof spec, "\\\\.\\COM1 %u", c.speed);
            if (LinkOpen(spec) != kOk) std::fprintf(stderr, "cannot open %s\n", spec);
        } else {
            udp = std::make_unique<sim::UdpServer>(probe, test::LoopbackAddress(), faults);
            std::string error;
            udp->Start(error);
            LinkOpen(("NETWORK " + test::LoopbackAddress()).c_str());
        }
        probe.SetRecordData(false);
        probe.ClearEvents();
    }
    ~Bench() { LinkClose(); }
    double UdpRoundTrip() {
        // The loopback round trip of a one-byte query, as the unit of the UDP minimum.
        uint16_t a, b;
        std::string s;
        const auto t0 = Clock::now();
        for (int i = 0; i < 200; ++i) Identify(a, b, s);
        return std::chrono::duration<double>(Clock::now() - t0).count() / 400;
    }
    double MinimumFor(double udpRoundTrip) {
        return channel.serial ? Minimum(probe, channel.speed, timing)
                              : RoundTrips(probe) * udpRoundTrip +
                                    RoundTrips(probe) * channel.latency / 1000.0;
    }
    Channel channel;
    test::TempDir dir;
    sim::Probe probe;
    sim::FlashTiming timing;
    std::unique_ptr<sim::UdpServer> udp;
    std::unique_ptr<sim::PtyServer> pty;
};

void Jobs(const Channel& c, size_t imageBytes, const test::TempDir& files, double unit) {
    Quiet quiet;
    {
        Bench b(c);
        const std::string image = files.File(imageBytes == (1u << 20) ? "fw1m.srec" : "fw64k.srec");
        const Measure m = Time([&] { return UpdateFirmwareFromFile(image, quiet); });
        char note[96];
        std::snprintf(note, sizeof note, "%zu KiB image; %.1f us host CPU a block",
                      imageBytes / 1024, m.cpu / (imageBytes / 1024.0) * 1e6);
        Row("update", c.name, m, b.MinimumFor(unit), note);
    }
    {
        Bench b(c);
        uint16_t crc = 0;
        const Measure m = Time([&] { return EraseAndCheck(quiet, crc); });
        Row("erase and check", c.name, m, b.MinimumFor(unit),
            std::to_string(RoundTrips(b.probe)) + " round trips");
    }
    {
        Bench b(c);
        const Measure m = Time([&] {
            return WriteSetupData("10.0.0.2", "255.255.255.0", "10.0.0.1", "255.255.255.255",
                                  files.File("big.cfg"));
        });
        Row("transmit, stand-alone", c.name, m, b.MinimumFor(unit), "32 KiB config + 16 KiB regs");
    }
}

}  // namespace

int main(int argc, char** argv) {
    const bool quick = argc > 1 && std::strcmp(argv[1], "--quick") == 0;
    test::TempDir files;
    const auto m1 = test::FirmwarePayload(1 << 20, 1);
    files.Write("fw1m.srec", test::SRecordFile(m1, 0x100000, '3', 32));
    const auto k64 = test::FirmwarePayload(64 * 1024, 2);
    files.Write("fw64k.srec", test::SRecordFile(k64, 0x100000, '3', 32));
    files.Write("regs.def", std::string(16 * 1024, 'r'));
    std::string config = "[REGS]\nFILE $regs.def\n";
    config.resize(32 * 1024, ';');
    files.Write("big.cfg", config);

    std::printf("| %-26s | %-22s | %11s | %11s | %5s | %9s | notes\n", "job", "channel", "wall",
                "minimum", "ratio", "host CPU");
    std::printf("|%s|%s|%s|%s|%s|%s|------\n", std::string(28, '-').c_str(),
                std::string(24, '-').c_str(), std::string(13, '-').c_str(),
                std::string(13, '-').c_str(), std::string(7, '-').c_str(),
                std::string(11, '-').c_str());

    // Transport alone: 1024-byte ProgramFlash requests and a silent retry sequence.
    {
        Bench b({"UDP loopback", false, 0, 0});
        std::vector<uint8_t> data(1024, 0x5A);
        const int n = 5000;
        const Measure m = Time([&] {
            uint32_t value;
            for (int i = 0; i < n; ++i)
                if (ProgramFlash(0x300000 + (i % 64) * 1024, 1024, data.data(), value) != kOk &&
                    ProgramFlash(0x300000, 1024, data.data(), value) == kBadChannel)
                    return 1;
            return 0;
        });
        char note[96];
        std::snprintf(note, sizeof note, "%.0f round trips/s, %.1f us host CPU each", n / m.wall,
                      m.cpu / n * 1e6);
        Row("1024-byte requests x5000", "UDP loopback", m, 0, note);
    }
    {
        Bench b({"pty 115200 timed", true, 115200, 0});
        std::vector<uint8_t> data(1024, 0x5A);
        const Measure m = Time([&] {
            uint32_t value;
            for (int i = 0; i < 200; ++i)
                ProgramFlash(0x300000 + (i % 64) * 1024, 1024, data.data(), value);
            return 0;
        });
        Row("1024-byte requests x200", "pty 115200 timed", m, b.MinimumFor(0), "");
    }
    {
        Bench b({"UDP loopback", false, 0, 0});
        b.udp->Faults().Set([] {
            sim::LineFaults f;
            f.dropRequest = 1;
            return f;
        }());
        const Measure m = Time([] {
            uint8_t req = 'r', reply[1500];
            return LinkTransact(1, &req, 1500, reply, 100) == kNoAnswer ? 0 : 1;
        });
        Row("silent retries (T=100)", "UDP, all requests lost", m, 3.6,
            "five waits: 200+300+500+900+1700 ms");
    }

    const Channel channels[] = {
        {"UDP loopback", false, 0, 0},
        {"UDP, 1 ms latency", false, 0, 1},
        {"pty 115200 timed", true, 115200, 0},
        {"pty 9600 timed", true, 9600, 0},
    };
    double unit = 0;
    {
        Bench b(channels[0]);
        unit = b.UdpRoundTrip();
    }
    std::printf(
        "(UDP minimum: round trips x %.1f us, the loopback round trip measured here, "
        "plus the latency each way's sum)\n",
        unit * 1e6);
    for (const Channel& c : channels) {
        if (quick && c.serial && c.speed == 9600) continue;
        // 1 MiB at 9600 bit/s would take twenty minutes; 64 KiB shows the same ratio.
        Jobs(c, c.serial && c.speed == 9600 ? 64 * 1024 : (quick && c.serial ? 64 * 1024 : 1 << 20),
             files, unit);
    }
    return 0;
}
