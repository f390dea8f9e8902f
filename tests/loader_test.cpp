// The command set against the simulated probe over loopback UDP, with the probe's reply
// shaping to show each check.
#include <gtest/gtest.h>

#include "link/link.h"
#include "loader/commands.h"
#include "tests/support.h"

namespace {

sim::DeviceFaults Shape(uint8_t command, std::optional<uint8_t> letter, int delta) {
    sim::DeviceFaults f;
    f.shapes[command] = {letter, delta};
    return f;
}

bool Sent(sim::Probe& probe, uint8_t command) {
    for (const sim::Event& e : probe.Events())
        if (e.kind == sim::EventKind::Request && e.command == command) return true;
    return false;
}

}  // namespace

class Loader : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(LinkOpen(sim.spec.c_str()), kOk); }
    void TearDown() override { LinkClose(); }
    void Faults(const sim::DeviceFaults& f) { sim.probe.SetDeviceFaults(f); }
    test::UdpProbe sim;
};

TEST_F(Loader, IdentifyReadsAFullReply) {
    uint16_t loader = 0, firmware = 0;
    std::string serial = "previous-text";
    ASSERT_EQ(Identify(loader, firmware, serial), kOk);
    EXPECT_EQ(loader, 105);
    EXPECT_EQ(firmware, 102);
    EXPECT_EQ(serial, "41002731");
}

TEST_F(Loader, IdentifyFirmwareVersionField) {
    const std::pair<uint16_t, uint16_t> cases[] = {{0x3000, 0}, {0x3001, 1}, {0x30FF, 255},
                                                   {0x3100, 0}, {0x2FFF, 0}, {0x0000, 0}};
    for (auto [field, expected] : cases) {
        sim::Identity id;
        id.firmwareField = field;
        sim.probe.SetIdentity(id);
        uint16_t loader = 0, firmware = 77;
        std::string serial;
        ASSERT_EQ(Identify(loader, firmware, serial), kOk);
        EXPECT_EQ(firmware, expected) << std::hex << field;
    }
}

TEST_F(Loader, IdentifyReplyShapes) {
    struct Case {
        const char* what;
        sim::DeviceFaults faults;
        ResultCode result;
        uint16_t loader;  // expected outputs; 999 and "keep" mean unchanged
        const char* serial;
    };
    const Case cases[] = {
        {"20 bytes", Shape('d', std::nullopt, -1), kOk, 0, "keep"},
        {"22 bytes", Shape('d', std::nullopt, +1), kOk, 0, "keep"},
        {"21 bytes, wrong letter", Shape('d', uint8_t{'x'}, 0), kWrongReply, 999, "keep"},
        {"query answered with another letter", Shape('r', uint8_t{'?'}, 3), kOk, 105, "41002731"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Faults(c.faults);
        uint16_t loader = 999, firmware = 999;
        std::string serial = "keep";
        EXPECT_EQ(Identify(loader, firmware, serial), c.result);
        EXPECT_EQ(loader, c.loader);
        EXPECT_EQ(serial, c.serial);
        if (c.result == kOk && c.loader == 0) {
            EXPECT_EQ(firmware, 0);
        }
    }
}

TEST_F(Loader, AQueryAnsweredWithRStopsBeforeIdentify) {
    sim::Identity id;
    id.answerQueryWithR = true;
    sim.probe.SetIdentity(id);
    Faults(Shape('r', std::nullopt, 5));  // 'r' followed by anything
    uint16_t loader = 1, firmware = 1;
    std::string serial = "keep";
    EXPECT_EQ(Identify(loader, firmware, serial), kLoaderNotReady);
    EXPECT_FALSE(Sent(sim.probe, 'd'));
    EXPECT_EQ(serial, "keep");
}

TEST_F(Loader, ReadMemory) {
    sim.probe.WriteFlash(0x123400, {1, 2, 3, 4});
    uint8_t data[1024];
    ASSERT_EQ(ReadMemory(0x123400, 1024, data), kOk);
    EXPECT_EQ(data[0], 1);
    EXPECT_EQ(data[3], 4);
    EXPECT_EQ(data[4], 0xFF);
    EXPECT_EQ(ReadMemory(0x123400, 0, data), kOk);

    for (auto faults :
         {Shape('e', uint8_t{'x'}, 0), Shape('e', std::nullopt, 1), Shape('e', std::nullopt, -1)}) {
        Faults(faults);
        uint8_t untouched[8] = {9, 9, 9, 9, 9, 9, 9, 9};
        EXPECT_EQ(ReadMemory(0x123400, 8, untouched), kWrongReply);
        EXPECT_EQ(untouched[0], 9);
    }
}

TEST_F(Loader, EraseSector) {
    sim.probe.WriteFlash(0x130000, {0});
    ASSERT_EQ(EraseSector(0x13FFFF), kOk);  // any address of the sector
    EXPECT_EQ(sim.probe.ReadFlash(0x130000, 1)[0], 0xFF);

    sim::DeviceFaults fail;
    fail.failEraseSector = 0x130000;
    Faults(fail);
    EXPECT_EQ(EraseSector(0x130000), kEraseFailed);
    Faults(Shape('g', std::nullopt, 1));
    EXPECT_EQ(EraseSector(0x130000), kWrongReply);
    Faults(Shape('g', uint8_t{'h'}, 0));
    EXPECT_EQ(EraseSector(0x130000), kWrongReply);
}

TEST_F(Loader, ProgramFlash) {
    const uint8_t data[4] = {0x12, 0x34, 0x56, 0x78};
    uint32_t value = 0;
    ASSERT_EQ(ProgramFlash(0x140000, 4, data, value), kOk);
    EXPECT_EQ(sim.probe.ReadFlash(0x140000, 4), (std::vector<uint8_t>{0x12, 0x34, 0x56, 0x78}));
    EXPECT_EQ(value, 0x140004u);  // the simulator's value: the next address

    sim::DeviceFaults fail;
    fail.failProgramAt = 0x140102;
    Faults(fail);
    value = 0;
    EXPECT_EQ(ProgramFlash(0x140100, 4, data, value), kProgramFailed);
    EXPECT_EQ(value, 0x140104u);  // stored whatever the status
    Faults(Shape('h', std::nullopt, -1));
    value = 7;
    EXPECT_EQ(ProgramFlash(0x140200, 4, data, value), kWrongReply);
    EXPECT_EQ(value, 7u);
}

TEST_F(Loader, ProgramFlashRefusesWhatTheBuffersCannotHold) {
    std::vector<uint8_t> big(1494, 0);
    uint32_t value = 0;
    sim.probe.ClearEvents();
    EXPECT_EQ(ProgramFlash(0x150000, 1494, big.data(), value), kBadChannel);
    EXPECT_EQ(ProgramFlash(0x150000, 1492, big.data(), value), kBadChannel);  // body > 1498
    EXPECT_FALSE(Sent(sim.probe, 'h'));
}

TEST_F(Loader, StartFirmware) {
    Faults(Shape('q', uint8_t{'z'}, 9));
    EXPECT_EQ(StartFirmware(), kOk);
    LinkClose();
    EXPECT_EQ(StartFirmware(), kNoChannel);
}
