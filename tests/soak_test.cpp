// A bad line and an unplugged probe: the flash ends equal to the image, or the update
// fails cleanly without the valid marker; nothing hangs.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <thread>

#include "flash/erase.h"
#include "flash/setup.h"
#include "flash/update.h"
#include "link/link.h"
#include "link/ports.h"
#include "tests/images.h"
#include "tests/support.h"

using Bytes = std::vector<uint8_t>;

namespace {

constexpr uint32_t kArea = 0x100000;
const Bytes kMarker = {0xAA, 0x55, 0x55, 0xAA};

Bytes Expected(const Bytes& payload) {
    Bytes b = payload;
    std::copy(kMarker.begin(), kMarker.end(), b.begin());
    return b;
}

// Mostly 0x10, so that nearly every byte is doubled on a serial line.
Bytes DensePayload(size_t size, uint32_t seed) {
    Bytes p = test::FirmwarePayload(size, seed);
    for (size_t i = 32; i < p.size(); ++i)
        if (i % 7) p[i] = 0x10;
    return p;
}

// Waits (loosely bounded) until the probe has seen a Program event at or above address.
void StopWhenProgrammed(sim::Probe& probe, uint32_t address, const std::function<void()>& stop,
                        std::atomic<bool>& done) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!done && std::chrono::steady_clock::now() < until) {
        for (const sim::Event& e : probe.Events()) {
            if (e.kind == sim::EventKind::Program && e.address >= address) {
                stop();
                return;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

// True for the first progress text of the programming at or past percent.
bool ProgrammedPast(const std::string& text, int percent) {
    const std::string prefix = "Firmware: Programming Flash ... ( ";
    return text.rfind(prefix, 0) == 0 && std::atoi(text.c_str() + prefix.size()) >= percent;
}

}  // namespace

class Soak : public ::testing::Test {
protected:
    void SetUp() override {
        payloads = {test::FirmwarePayload(24 * 1024, 31), DensePayload(24 * 1024, 32)};
        for (size_t i = 0; i < payloads.size(); ++i)
            files.Write("fw" + std::to_string(i),
                        test::PadToSize(test::SRecordFile(payloads[i], kArea, '3', 32), 100000));
    }
    void TearDown() override { LinkClose(); }
    std::string Image(size_t i) { return files.File("fw" + std::to_string(i)); }
    // Updates with image i over the open link; the flash must then equal the image, or,
    // after a failure, be without the valid marker. True when the update passed.
    bool UpdateEqualOrUnmarked(sim::Probe& probe, size_t i) {
        const ResultCode rc = UpdateFirmwareFromFile(Image(i), status);
        const Bytes area = probe.ReadFlash(kArea, static_cast<uint32_t>(payloads[i].size()));
        if (rc == kOk)
            EXPECT_EQ(area, Expected(payloads[i]));
        else
            EXPECT_NE(Bytes(area.begin(), area.begin() + 4), kMarker);
        return rc == kOk;
    }
    // One run for each image and each of 20 seeds over faults; how many updates passed.
    int EverySeed(const sim::LineFaults& faults,
                  const std::function<bool(size_t, const sim::LineFaults&)>& run) {
        int passed = 0;
        for (size_t image = 0; image < payloads.size(); ++image) {
            for (uint32_t seed = 1; seed <= 20; ++seed) {
                SCOPED_TRACE("image " + std::to_string(image) + " seed " + std::to_string(seed));
                sim::LineFaults seeded = faults;
                seeded.seed = seed;
                passed += run(image, seeded);
            }
        }
        return passed;
    }
    test::TempDir files;
    std::vector<Bytes> payloads;
    test::RecordingStatus status;
};

// Faults that the transport carries without waiting: stale replies, LinkHold, runts and
// damaged length fields; 20 seeds for each image.
TEST_F(Soak, UdpFaultsAreCarried) {
    sim::LineFaults faults;
    faults.stale = 0.2;
    faults.hold = 0.2;
    faults.runt = 0.2;
    faults.corrupt = 0.1;
    const int passed = EverySeed(faults, [&](size_t image, const sim::LineFaults& seeded) {
        test::UdpProbe sim({}, seeded);
        EXPECT_EQ(LinkOpen(sim.spec.c_str()), kOk);
        const bool ok = UpdateEqualOrUnmarked(sim.probe, image);
        LinkClose();
        return ok;
    });
    // Each of these faults costs at most a resend; five sends carry nearly every block.
    EXPECT_GE(passed, 36);
}

// Lost requests and replies cost waits; a few seeds show the rule: equal, or no marker.
TEST_F(Soak, UdpLossEndsEqualOrUnmarked) {
    for (uint32_t seed = 1; seed <= 3; ++seed) {
        SCOPED_TRACE(seed);
        sim::LineFaults faults;
        faults.seed = seed;
        faults.dropRequest = 0.02;
        faults.dropReply = 0.02;
        test::UdpProbe sim({}, faults);
        ASSERT_EQ(LinkOpen(sim.spec.c_str()), kOk);
        UpdateEqualOrUnmarked(sim.probe, 0);
        LinkClose();
    }
}

TEST_F(Soak, SerialFaultsAreCarried) {
    sim::LineFaults faults;
    faults.corrupt = 0.1;
    faults.garbage = 0.2;
    faults.stale = 0.1;
    faults.hold = 0.1;
    faults.runt = 0.1;
    const int passed = EverySeed(faults, [&](size_t image, const sim::LineFaults& seeded) {
        sim::Probe probe;
        sim::PtyServer server(probe, files.File("tty"), 115200, seeded);
        std::string error;
        EXPECT_TRUE(server.Start(error)) << error;
        SetSerialDevicePath(4, files.File("tty"));
        EXPECT_EQ(LinkOpen("COM4 115200"), kOk);
        const bool ok = UpdateEqualOrUnmarked(probe, image);
        LinkClose();
        return ok;
    });
    EXPECT_GE(passed, 36);
}

TEST_F(Soak, UnpluggedMidUpdateThenBack) {
    test::UdpProbe sim;
    ASSERT_EQ(LinkOpen(sim.spec.c_str()), kOk);
    status.onText = [&](const std::string& text) {
        if (ProgrammedPast(text, 40)) sim.server.Stop();
    };
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(UpdateFirmwareFromFile(Image(0), status), kNoAnswer);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(60));  // no hang
    EXPECT_EQ(status.texts.back(), "Programming Firmware ... failed!");
    EXPECT_EQ(sim.probe.ReadFlash(kArea, 4), Bytes(4, 0xFF));

    // The probe comes back: a new open works and the update goes through.
    sim::UdpServer again(sim.probe, test::LoopbackAddress());
    std::string error;
    ASSERT_TRUE(again.Start(error)) << error;
    ASSERT_EQ(LinkOpen(sim.spec.c_str()), kOk);
    status.onText = nullptr;
    EXPECT_EQ(UpdateFirmwareFromFile(Image(0), status), kOk);
    EXPECT_EQ(sim.probe.ReadFlash(kArea, static_cast<uint32_t>(payloads[0].size())),
              Expected(payloads[0]));
}

TEST_F(Soak, UnpluggedMidEraseAndMidTransmit) {
    {
        test::UdpProbe sim;
        ASSERT_EQ(LinkOpen(sim.spec.c_str()), kOk);
        status.onText = [&](const std::string& text) {
            if (text == "Erasing Flash ... ( 30% )") sim.server.Stop();
        };
        uint16_t crc = 0;
        EXPECT_EQ(EraseAndCheck(status, crc), kNoAnswer);
        EXPECT_EQ(status.texts.back(), "Erasing Flash ... ( 100% )");
    }
    {
        test::UdpProbe sim;
        ASSERT_EQ(LinkOpen(sim.spec.c_str()), kOk);
        files.Write("big.cfg", std::string(60000, ';'));
        std::atomic<bool> done{false};
        std::thread unplug([&] {
            StopWhenProgrammed(
                sim.probe, 0x200000, [&] { sim.server.Stop(); }, done);
        });
        EXPECT_EQ(WriteSetupData("1.2.3.4", "255.0.0.0", "1.0.0.1", "255.255.255.255",
                                 files.File("big.cfg")),
                  kNoAnswer);
        done = true;
        unplug.join();
    }
}

TEST_F(Soak, PseudoTerminalClosedMidUpdate) {
    sim::Probe probe;
    auto server = std::make_unique<sim::PtyServer>(probe, files.File("tty"), 115200);
    std::string error;
    ASSERT_TRUE(server->Start(error));
    SetSerialDevicePath(4, files.File("tty"));
    ASSERT_EQ(LinkOpen("COM4 115200"), kOk);
    status.onText = [&](const std::string& text) {
        if (ProgrammedPast(text, 40)) server->Stop();
    };
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(UpdateFirmwareFromFile(Image(1), status), kNoAnswer);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(60));
    EXPECT_EQ(probe.ReadFlash(kArea, 4), Bytes(4, 0xFF));
    LinkClose();

    server = std::make_unique<sim::PtyServer>(probe, files.File("tty"), 115200);
    ASSERT_TRUE(server->Start(error));
    EXPECT_EQ(LinkOpen("COM4 115200"), kOk);
}
