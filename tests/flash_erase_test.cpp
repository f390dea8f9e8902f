#include <gtest/gtest.h>

#include "flash/crc16.h"
#include "flash/erase.h"
#include "link/link.h"
#include "tests/support.h"

using Bytes = std::vector<uint8_t>;

namespace {

// Bit by bit, so that it shares nothing with the table-driven one.
uint16_t ReferenceCrc(const Bytes& data) {
    uint16_t crc = 0;
    for (uint8_t b : data) {
        crc ^= b;
        for (int i = 0; i < 8; ++i) crc = (crc & 1) ? (crc >> 1) ^ 0xA001 : crc >> 1;
    }
    return crc;
}

uint16_t ExpectedCrc(sim::Probe& probe) {
    Bytes range = probe.ReadFlash(0, 0x30000);
    std::fill(range.begin() + 0x20, range.begin() + 0x28, 0x00);
    return ReferenceCrc(range);
}

}  // namespace

TEST(Crc16, CheckValue) {
    const uint8_t digits[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
    EXPECT_EQ(Crc16Update(0, digits, 9), 0xBB3D);
    const Bytes random = {0x00, 0xFF, 0x10, 0x80, 0x7F};
    EXPECT_EQ(Crc16Update(0, random.data(), 5), ReferenceCrc(random));
}

class Erase : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(LinkOpen(sim.spec.c_str()), kOk); }
    void TearDown() override { LinkClose(); }
    std::vector<uint32_t> Erased() {
        std::vector<uint32_t> sectors;
        for (const sim::Event& e : sim.probe.Events())
            if (e.kind == sim::EventKind::Erase && !e.failed) sectors.push_back(e.address);
        return sectors;
    }
    test::UdpProbe sim;
    test::RecordingStatus status;
};

TEST_F(Erase, ErasesTheListInOrderAndReportsTheCrc) {
    sim.probe.WriteFlash(0x006000, Bytes(104, 0x00));  // setup record, firmware, images
    sim.probe.WriteFlash(0x100000, Bytes(64, 0x00));
    sim.probe.WriteFlash(0x3F0000, Bytes(64, 0x00));
    uint16_t crc = 0;
    ASSERT_EQ(EraseAndCheck(status, crc), kOk);
    EXPECT_EQ(crc, ExpectedCrc(sim.probe));

    std::vector<uint32_t> expected;
    for (uint32_t a = 0x002000; a <= 0x00E000; a += 0x2000) expected.push_back(a);
    for (uint32_t a = 0x030000; a <= 0x3F0000; a += 0x10000) expected.push_back(a);
    EXPECT_EQ(Erased(), expected);
    ASSERT_EQ(expected.size(), 68u);
    for (int i = 0; i < 68; ++i) EXPECT_EQ(EraseListSector(i), expected[i]);
    EXPECT_EQ(sim.probe.ReadFlash(0x006000, 104), Bytes(104, 0xFF));
    EXPECT_EQ(sim.probe.ReadFlash(0x3F0000, 64), Bytes(64, 0xFF));
    EXPECT_EQ(status.texts.front(), "Erasing Flash ... ( 1% )");
    EXPECT_TRUE(status.Saw("Erasing Flash ... ( 100% )"));
    EXPECT_EQ(status.texts.back(), "Checking for illegal data in boot/loader sectors");
}

TEST_F(Erase, BootAndLoaderTails) {
    struct Case {
        const char* what;
        uint32_t loaderWords;
        uint32_t planted;  // a 0x00 byte here
        ResultCode result;
    };
    const Case cases[] = {
        {"boot tail start", 0x1000, 0x000510, kIllegalData},
        {"boot head end", 0x1000, 0x00050F, kOk},
        {"boot tail end", 0x1000, 0x001FFF, kIllegalData},
        {"inside the used loader", 0x4000, 0x02003F, kOk},
        {"loader tail start", 0x4000, 0x020040, kIllegalData},
        {"loader tail end", 0x4000, 0x02FFFF, kIllegalData},
        {"tail beyond the loader sectors: no tail check", 0x8000, 0x02FFFF, kOk},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        sim.probe.ResetFlash(c.loaderWords);
        sim.probe.WriteFlash(c.planted, {0x00});
        uint16_t crc = 0;
        EXPECT_EQ(EraseAndCheck(status, crc), c.result);
        if (c.result == kOk) {
            EXPECT_EQ(crc, ExpectedCrc(sim.probe));
        }
    }
}

TEST_F(Erase, TheCrcLeavesOutTheProbesOwnBytes) {
    uint16_t first = 0, second = 0;
    ASSERT_EQ(CheckBootAndLoader(first), kOk);
    sim.probe.WriteFlash(0x20, Bytes(8, 0x42));
    ASSERT_EQ(CheckBootAndLoader(second), kOk);
    EXPECT_EQ(first, second);
    sim.probe.WriteFlash(0x28, {0x42});
    ASSERT_EQ(CheckBootAndLoader(second), kOk);
    EXPECT_NE(first, second);
}

TEST_F(Erase, AFailingEraseStopsErasingButNotTheProgress) {
    sim::DeviceFaults faults;
    faults.failEraseSector = 0x030000;
    sim.probe.SetDeviceFaults(faults);
    uint16_t crc = 0;
    EXPECT_EQ(EraseAndCheck(status, crc), kEraseFailed);
    EXPECT_EQ(Erased().size(), 7u);
    EXPECT_EQ(status.texts.back(), "Erasing Flash ... ( 100% )");
}

TEST_F(Erase, ALinkCutAfterTheErasesFails) {
    status.onText = [&](const std::string& text) {
        if (text == "Checking for illegal data in boot/loader sectors") sim.server.Stop();
    };
    uint16_t crc = 1234;
    EXPECT_EQ(EraseAndCheck(status, crc), kNoAnswer);
    EXPECT_EQ(crc, 1234);
}

TEST(AllErased, Blocks) {
    const Bytes blank(1024, 0xFF);
    EXPECT_TRUE(AllErased(blank.data(), 1024));
    EXPECT_TRUE(AllErased(nullptr, 0));
    Bytes one = blank;
    one[1023] = 0xFE;
    EXPECT_FALSE(AllErased(one.data(), 1024));
    EXPECT_TRUE(AllErased(one.data(), 1023));
}
