// Firmware updates end to end against the simulated probe, judged by its flash.
#include <gtest/gtest.h>

#include <cstdlib>

#include "flash/catalogue.h"
#include "flash/update.h"
#include "link/link.h"
#include "link/ports.h"
#include "tests/images.h"
#include "tests/support.h"

using Bytes = std::vector<uint8_t>;

namespace {

constexpr uint32_t kArea = 0x100000;
constexpr uint32_t kAreaSize = 0x100000;
const Bytes kMarker = {0xAA, 0x55, 0x55, 0xAA};

// What the firmware area must hold after the update of payload.
Bytes Expected(const Bytes& payload) {
    Bytes area(kAreaSize, 0xFF);
    std::copy(payload.begin(), payload.end(), area.begin());
    std::copy(kMarker.begin(), kMarker.end(), area.begin());
    return area;
}

}  // namespace

class Update : public ::testing::Test {
protected:
    void SetUp() override {
        SetProgramDirectory(dir.path());
        ASSERT_EQ(LinkOpen(sim.spec.c_str()), kOk);
        // Old firmware in the area, so that a refused image can be seen to leave it alone.
        sim.probe.WriteFlash(kArea, Bytes(4096, 0x5A));
        sim.probe.ClearEvents();
    }
    void TearDown() override {
        LinkClose();
        SetProgramDirectory("");
    }
    void WriteImage(const std::string& text, uint16_t version = 105) {
        char name[16];
        std::snprintf(name, sizeof name, "VXQSWDFW.%03u", version);
        dir.Write(name, text);
    }
    Bytes Area() { return sim.probe.ReadFlash(kArea, kAreaSize); }
    void ExpectUntouched(const Bytes& before) {
        EXPECT_EQ(Area(), before);
        for (const sim::Event& e : sim.probe.Events()) {
            EXPECT_NE(e.kind, sim::EventKind::Erase);
            EXPECT_NE(e.kind, sim::EventKind::Program);
        }
    }
    // The flash must hold payload, marked valid last, with nothing else touched.
    void ExpectProgrammed(const Bytes& payload) {
        EXPECT_EQ(Area(), Expected(payload));
        const auto events = sim.probe.Events();
        int erases = 0;
        const sim::Event* last = nullptr;
        for (const sim::Event& e : events) {
            if (e.kind == sim::EventKind::Erase) {
                EXPECT_GE(e.address, kArea);
                EXPECT_LT(e.address, kArea + kAreaSize);
                ++erases;
            }
            if (e.kind != sim::EventKind::Program) continue;
            EXPECT_FALSE(e.overNonBlank) << std::hex << e.address;
            if (e.address == kArea && e.length > 4) {
                EXPECT_EQ(Bytes(e.bytes.begin(), e.bytes.begin() + 4), Bytes(4, 0xFF));
            }
            last = &e;
        }
        EXPECT_EQ(erases, 16);
        ASSERT_NE(last, nullptr);
        EXPECT_EQ(last->address, kArea);
        EXPECT_EQ(last->bytes, kMarker);
    }
    test::TempDir dir;
    test::UdpProbe sim;
    test::RecordingStatus status;
};

TEST_F(Update, ProgramsTheImageExactlyAndMarksItLast) {
    const Bytes payload = test::FirmwarePayload(48 * 1024 + 3, 11);  // last block padded
    WriteImage(test::SRecordFile(payload, kArea, '3', 32));
    ASSERT_EQ(UpdateFirmware(105, status), kOk);
    ExpectProgrammed(payload);
    EXPECT_TRUE(status.Saw("Erasing Firmware ..."));
    EXPECT_TRUE(status.Saw("Erasing Firmware ... ( 100% )"));
    EXPECT_TRUE(status.Saw("Firmware: Programming Flash ... ( 100% )"));
    EXPECT_EQ(status.texts.back(), "Programming Firmware ... passed!");
}

TEST_F(Update, ImagesFromObjcopyAndSrecCat) {
    const Bytes payload = test::FirmwarePayload(60 * 1024 + 1, 12);
    dir.Write("fw.bin", std::string(payload.begin(), payload.end()));
    const std::string in = dir.File("fw.bin"), out = dir.File("VXQSWDFW.105");
    for (const std::string& command :
         {"objcopy -I binary -O srec --change-addresses 0x100000 --srec-forceS3 " + in + " " + out,
          "srec_cat " + in + " -binary -offset 0x100000 -o " + out + " -address-length=3"}) {
        SCOPED_TRACE(command);
        ASSERT_EQ(std::system(command.c_str()), 0);
        sim.probe.ClearEvents();
        ASSERT_EQ(UpdateFirmware(105, status), kOk);
        ExpectProgrammed(payload);
    }
}

TEST_F(Update, ABadImageCostsNoFirmware) {
    const Bytes payload = test::FirmwarePayload(48 * 1024, 13);
    const std::string good = test::SRecordFile(payload, kArea, '3', 32);
    std::string badLine = good;
    badLine.insert(badLine.find("\nS3", good.size() / 2) + 1, "S3 not a record\n");
    Bytes badHeader = payload;
    badHeader[27] = 0x02;
    const std::string shortFile = test::PadToSize(
        test::SRecordFile(test::FirmwarePayload(32 * 1024, 14), kArea, '3', 32), 99999);
    const struct {
        const char* what;
        std::string text;
    } cases[] = {
        {"bad line in the middle", badLine},
        {"99999 bytes", shortFile},
        {"record below the area", good + test::SRecordLine('3', 0x0FFFF0, Bytes(16, 0))},
        {"record above the area", good + test::SRecordLine('3', 0x200000, Bytes(16, 0))},
        {"record running past the area", good + test::SRecordLine('3', 0x1FFFF8, Bytes(16, 0))},
        {"bad header", test::SRecordFile(badHeader, kArea, '3', 32)},
        {"no data at all",
         [] {
             std::string headers;
             while (headers.size() < 100000) headers += test::SRecordLine('0', 0, {'h'});
             return headers;
         }()},
    };
    const Bytes before = Area();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        WriteImage(c.text);
        status.texts.clear();
        EXPECT_EQ(UpdateFirmware(105, status), kInvalidImage);
        EXPECT_EQ(status.texts, std::vector<std::string>{"Invalid Firmware File!"});
        ExpectUntouched(before);
    }
}

TEST_F(Update, SizeLimitIsInclusive) {
    const std::string text = test::PadToSize(
        test::SRecordFile(test::FirmwarePayload(32 * 1024, 15), kArea, '3', 32), 100000);
    ASSERT_EQ(text.size(), 100000u);
    WriteImage(text);
    EXPECT_EQ(UpdateFirmware(105, status), kOk);
}

TEST_F(Update, NoImageFileNoText) {
    EXPECT_EQ(UpdateFirmware(105, status), kInvalidImage);
    EXPECT_EQ(UpdateFirmware(0, status), kInvalidImage);
    EXPECT_TRUE(status.texts.empty());
}

TEST_F(Update, FailuresOnTheWay) {
    const Bytes payload = test::FirmwarePayload(48 * 1024, 16);
    WriteImage(test::SRecordFile(payload, kArea, '3', 32));

    sim::DeviceFaults eraseFails;
    eraseFails.failEraseSector = 0x130000;
    sim.probe.SetDeviceFaults(eraseFails);
    EXPECT_EQ(UpdateFirmware(105, status), kEraseFailed);
    EXPECT_TRUE(status.Saw("Erasing Firmware ... ( 100% )"));
    EXPECT_EQ(status.texts.back(), "Erasing Firmware ... failed!");

    sim::DeviceFaults programFails;
    programFails.failProgramAt = 0x100800;
    sim.probe.SetDeviceFaults(programFails);
    status.texts.clear();
    EXPECT_EQ(UpdateFirmware(105, status), kProgramFailed);
    EXPECT_TRUE(status.Saw("Firmware: Programming Flash ... failed!"));
    EXPECT_EQ(status.texts.back(), "Programming Firmware ... failed!");
    EXPECT_NE(sim.probe.ReadFlash(kArea, 4), kMarker);

    // The header read-back fails: no check on stale bytes, no marker.
    sim::DeviceFaults readFails;
    readFails.shapes['e'].letter = 'x';
    sim.probe.SetDeviceFaults(readFails);
    status.texts.clear();
    EXPECT_EQ(UpdateFirmware(105, status), kWrongReply);
    EXPECT_EQ(status.texts.back(), "Programming Firmware ... failed!");
    EXPECT_EQ(sim.probe.ReadFlash(kArea, 4), Bytes(4, 0xFF));
}

TEST_F(Update, VerifyCatchesADifference) {
    const Bytes payload = test::FirmwarePayload(48 * 1024, 17);
    WriteImage(test::SRecordFile(payload, kArea, '3', 32));
    UpdateOptions verify;
    verify.verify = true;
    ASSERT_EQ(UpdateFirmwareFromFile(dir.File("VXQSWDFW.105"), status, verify), kOk);
    ExpectProgrammed(payload);

    // Flash that keeps a bit clear where the image wants it set: the loader's own check
    // does not see it (here its programming reports success), the read-back does.
    status.texts.clear();
    status.onText = [&](const std::string& text) {
        if (text == "Verifying Firmware ...") sim.probe.WriteFlash(kArea + 0x1000, {0x00});
    };
    EXPECT_EQ(UpdateFirmwareFromFile(dir.File("VXQSWDFW.105"), status, verify), kIllegalData);
    EXPECT_EQ(status.texts.back(), "Verifying Firmware ... failed!");
    EXPECT_EQ(sim.probe.ReadFlash(kArea, 4), Bytes(4, 0xFF));
}

TEST(UpdateSerial, OverAPseudoTerminal) {
    test::TempDir dir;
    SetProgramDirectory(dir.path());
    sim::Probe probe;
    sim::PtyServer server(probe, dir.File("tty"), 115200);
    std::string error;
    ASSERT_TRUE(server.Start(error)) << error;
    SetSerialDevicePath(2, dir.File("tty"));
    ASSERT_EQ(LinkOpen("\\\\.\\COM2 115200"), kOk);
    const Bytes payload = test::FirmwarePayload(44 * 1024 + 2, 18);
    // Plenty of 0x10 bytes: each one is doubled on the line.
    Bytes dense = payload;
    for (size_t i = 32; i < dense.size(); i += 3) dense[i] = 0x10;
    dir.Write("VXQSWDFW.042", test::SRecordFile(dense, kArea, '2', 32, true));
    test::RecordingStatus status;
    EXPECT_EQ(UpdateFirmware(42, status), kOk);
    EXPECT_EQ(probe.ReadFlash(kArea, kAreaSize), Expected(dense));
    LinkClose();
    SetProgramDirectory("");
}
