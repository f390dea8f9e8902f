// Fault soak by hand: vexalink-soak udp|serial LOSS FIRST_SEED RUNS [dense]
// Updates a 1 MiB image RUNS times with seeded faults and prints, per run, whether it
// passed, whether the flash equals the image, and whether the marker is where it may be.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "flash/update.h"
#include "link/link.h"
#include "link/ports.h"
#include "tests/images.h"
#include "tests/support.h"

namespace {
class Quiet final : public StatusLine {
public:
    void SetText(const std::string&) override {}
};
}  // namespace

int main(int argc, char** argv) {
    if (argc < 5) {
        std::fprintf(stderr, "usage: vexalink-soak udp|serial LOSS FIRST_SEED RUNS [dense]\n");
        return 2;
    }
    const bool serial = std::strcmp(argv[1], "serial") == 0;
    const double loss = std::atof(argv[2]);
    const uint32_t first = static_cast<uint32_t>(std::atoi(argv[3]));
    const int runs = std::atoi(argv[4]);
    const bool dense = argc > 5 && std::strcmp(argv[5], "dense") == 0;

    test::TempDir dir;
    std::vector<uint8_t> payload = test::FirmwarePayload(1 << 20, 7);
    if (dense)
        for (size_t i = 32; i < payload.size(); ++i)
            if (i % 7) payload[i] = 0x10;
    dir.Write("fw.srec", test::SRecordFile(payload, 0x100000, '3', 32));
    std::vector<uint8_t> expected = payload;
    const uint8_t marker[] = {0xAA, 0x55, 0x55, 0xAA};
    std::copy(marker, marker + 4, expected.begin());

    int passed = 0, clean = 0;
    for (uint32_t seed = first; seed < first + static_cast<uint32_t>(runs); ++seed) {
        sim::LineFaults faults;
        faults.seed = seed;
        if (serial) {
            faults.corrupt = loss;
            faults.garbage = loss;
        } else {
            faults.dropRequest = loss;
            faults.dropReply = loss;
            faults.stale = 0.05;
            faults.hold = 0.05;
            faults.runt = 0.05;
        }
        sim::Probe probe;
        probe.SetRecordData(false);
        std::unique_ptr<sim::UdpServer> udp;
        std::unique_ptr<sim::PtyServer> pty;
        std::string error;
        if (serial) {
            pty = std::make_unique<sim::PtyServer>(probe, dir.File("tty"), 115200, faults);
            pty->Start(error);
            SetSerialDevicePath(1, dir.File("tty"));
            LinkOpen("COM1 115200");
        } else {
            udp = std::make_unique<sim::UdpServer>(probe, test::LoopbackAddress(), faults);
            udp->Start(error);
            LinkOpen(("NETWORK " + test::LoopbackAddress()).c_str());
        }
        Quiet quiet;
        const auto t0 = std::chrono::steady_clock::now();
        const ResultCode rc = UpdateFirmwareFromFile(dir.File("fw.srec"), quiet);
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        const auto area = probe.ReadFlash(0x100000, static_cast<uint32_t>(payload.size()));
        const bool marked = std::equal(marker, marker + 4, area.begin());
        const bool equal = area == expected;
        const bool ok = rc == kOk ? equal : !marked;
        passed += rc == kOk;
        clean += ok;
        std::printf("seed %u: %s (%d) in %.1f s, flash %s, marker %s%s\n", seed,
                    rc == kOk ? "passed" : "failed", rc, seconds, equal ? "equal" : "differs",
                    marked ? "set" : "absent", ok ? "" : "  <-- VIOLATION");
        std::fflush(stdout);
        LinkClose();
    }
    std::printf("%s loss %.2f: %d of %d passed, %d of %d clean\n", serial ? "serial" : "udp", loss,
                passed, runs, clean, runs);
    return clean == runs ? 0 : 1;
}
