#include <gtest/gtest.h>

#include "flash/setup.h"
#include "link/link.h"
#include "tests/support.h"

using Bytes = std::vector<uint8_t>;

TEST(ParseIPv4, Texts) {
    const std::pair<const char*, uint32_t> cases[] = {
        {"192.168.1.2", 0xC0A80102},
        {"0.0.0.0", 0},
        {"255.255.255.255", 0xFFFFFFFF},
        {"010.001.2.3", 0x0A010203},  // leading zeros
        {"1..2.3", 0x01000203},       // an empty field is 0
        {"...", 0},
        {"1.2.3.256", 0xFFFFFFFF},
        {"1.2.3.0004", 0xFFFFFFFF},  // four digits
        {"1.2.3", 0xFFFFFFFF},
        {"1.2.3.4.5", 0xFFFFFFFF},  // a fifth field
        {"1.2.3.4.", 0xFFFFFFFF},
        {" 1.2.3.4", 0xFFFFFFFF},  // blanks
        {"1.2.3.4 ", 0xFFFFFFFF},
        {"1.2.3.x", 0xFFFFFFFF},
        {"", 0xFFFFFFFF},
    };
    for (auto [text, value] : cases) EXPECT_EQ(ParseIPv4(text), value) << text;
}

class Setup : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(LinkOpen(sim.spec.c_str()), kOk);
        // Old contents everywhere Transmit erases.
        sim.probe.WriteFlash(0x006000, Bytes(256, 0x00));
        sim.probe.WriteFlash(0x200000, Bytes(256, 0x00));
        sim.probe.WriteFlash(0x210000, Bytes(256, 0x00));
        dir.Write("regs.def", "REGISTERS");
    }
    void TearDown() override { LinkClose(); }
    ResultCode Transmit(const std::string& host, const std::string& config) {
        return WriteSetupData("192.168.0.7", "255.255.255.0", "192.168.0.1", host, config);
    }
    Bytes Flash(uint32_t a, uint32_t n) { return sim.probe.ReadFlash(a, n); }
    test::UdpProbe sim;
    test::TempDir dir;
};

TEST_F(Setup, TheRecord) {
    const std::string name = "C:\\probe\\target.cfg";
    ASSERT_EQ(Transmit("111.111.111.111", name), kOk);
    Bytes expected(104, 0x00);
    const Bytes head = {0x02, 0xA7, 0xE5, 0x41, 0x00, 0x27, 0xFF, 0xFF, 192, 168, 0,   7,
                        255,  255,  255,  0,    192,  168,  0,    1,    111, 111, 111, 111};
    std::copy(head.begin(), head.end(), expected.begin());
    std::copy(name.begin(), name.end(), expected.begin() + 24);
    EXPECT_EQ(Flash(0x6000, 104), expected);
    // Both image sectors are erased and stay so.
    EXPECT_EQ(Flash(0x200000, 256), Bytes(256, 0xFF));
    EXPECT_EQ(Flash(0x210000, 256), Bytes(256, 0xFF));
}

TEST_F(Setup, LongNamesAreCut) {
    const std::string name(100, 'n');
    ASSERT_EQ(Transmit("1.2.3.4", name), kOk);
    const Bytes record = Flash(0x6000, 104);
    EXPECT_EQ(Bytes(record.begin() + 24, record.begin() + 103), Bytes(79, 'n'));
    EXPECT_EQ(record[103], 0x00);
}

TEST_F(Setup, StandAloneWritesBothImages) {
    const std::string config = "[REGS]\nFILE $regs.def\n";
    dir.Write("target.cfg", config);
    for (const char* host : {"255.255.255.255", "not an address"}) {
        SCOPED_TRACE(host);
        ASSERT_EQ(Transmit(host, dir.File("target.cfg")), kOk);
        Bytes image(config.begin(), config.end());
        image.resize(2048, 0xFF);
        EXPECT_EQ(Flash(0x200000, 2048), image);
        Bytes regs = {0x80, 'R', 'E', 'G', 'I', 'S', 'T', 'E', 'R', 'S'};
        regs.resize(2048, 0xFF);
        EXPECT_EQ(Flash(0x210000, 2048), regs);
    }
}

TEST_F(Setup, ConfigurationSizes) {
    dir.Write("c1025.cfg", std::string(1025, 'c'));
    sim.probe.ClearEvents();
    ASSERT_EQ(Transmit("255.255.255.255", dir.File("c1025.cfg")), kOk);
    std::vector<uint32_t> chunks;
    for (const sim::Event& e : sim.probe.Events())
        if (e.kind == sim::EventKind::Program && e.address >= 0x200000) chunks.push_back(e.address);
    EXPECT_EQ(chunks, (std::vector<uint32_t>{0x200000, 0x200400}));
    Bytes second(1024, 0xFF);
    second[0] = 'c';
    EXPECT_EQ(Flash(0x200400, 1024), second);

    dir.Write("c65535.cfg", std::string(65535, 'c'));
    ASSERT_EQ(Transmit("255.255.255.255", dir.File("c65535.cfg")), kOk);
    EXPECT_EQ(Flash(0x20FFFE, 2), (Bytes{'c', 0xFF}));

    dir.Write("c65536.cfg", std::string(65536, 'c'));
    EXPECT_EQ(Transmit("255.255.255.255", dir.File("c65536.cfg")), kConfigFileBad);
    EXPECT_EQ(Flash(0x6000, 3), (Bytes{0x02, 0xA7, 0xE5}));  // the record went in first
    EXPECT_EQ(Flash(0x200000, 16), Bytes(16, 0xFF));

    EXPECT_EQ(Transmit("255.255.255.255", ""), kConfigFileBad);
    EXPECT_EQ(Transmit("255.255.255.255", dir.path()), kConfigFileBad);  // opens, cannot be read
}

TEST_F(Setup, RegisterFileFailures) {
    dir.Write("missing.cfg", "[REGS]\nFILE $nothing.def\n");
    EXPECT_EQ(Transmit("255.255.255.255", dir.File("missing.cfg")), kRegisterFileBad);
    dir.Write("big.def", std::string(40000, 'b'));
    dir.Write("big.cfg", "[REGS]\nFILE $big.def\nFILE $big.def\n");
    EXPECT_EQ(Transmit("255.255.255.255", dir.File("big.cfg")), kRegisterFileBad);
    EXPECT_EQ(Flash(0x210000, 16), Bytes(16, 0xFF));
}

TEST_F(Setup, NothingErasedWithoutASerialNumber) {
    sim::Identity id;
    id.shortIdentify = true;
    sim.probe.SetIdentity(id);
    sim.probe.ClearEvents();
    EXPECT_EQ(Transmit("1.2.3.4", "x"), kWrongReply);
    for (const sim::Event& e : sim.probe.Events()) EXPECT_NE(e.kind, sim::EventKind::Erase);
    EXPECT_EQ(Flash(0x6000, 4), Bytes(4, 0x00));
}

TEST_F(Setup, AnEraseFailureProgramsNothing) {
    sim::DeviceFaults faults;
    faults.failEraseSector = 0x200000;
    sim.probe.SetDeviceFaults(faults);
    sim.probe.ClearEvents();
    EXPECT_EQ(Transmit("1.2.3.4", "x"), kEraseFailed);
    EXPECT_EQ(Flash(0x6000, 104), Bytes(104, 0xFF));
    for (const sim::Event& e : sim.probe.Events()) EXPECT_NE(e.kind, sim::EventKind::Program);
}
