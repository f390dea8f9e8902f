#include <gtest/gtest.h>

#include <cstring>

#include "link/link.h"
#include "link/link_private.h"
#include "link/ports.h"

namespace {

struct SpecCase {
    const char* spec;
    ChannelKind kind;
    const char* device;   // serial
    int32_t speed;        // serial
    const char* address;  // network
};

const SpecCase kSpecCases[] = {
    {"COM3", ChannelKind::Serial, "COM3", 115200, ""},
    {"\\\\.\\COM12 9600", ChannelKind::Serial, "\\\\.\\COM12", 9600, ""},
    {"  COM1   57600  extra words here", ChannelKind::Serial, "COM1", 57600, ""},
    {"COM2 -5", ChannelKind::Serial, "COM2", -5, ""},
    {"COM2 abc", ChannelKind::Serial, "COM2", 0, ""},
    {"COM2 +38400x", ChannelKind::Serial, "COM2", 38400, ""},
    {"\\weird", ChannelKind::Serial, "\\weird", 115200, ""},
    {"COMPUTER", ChannelKind::Serial, "COMPUTER", 115200, ""},
    {"NETWORK 127.0.0.9", ChannelKind::Network, "", 0, "127.0.0.9"},
    {"NETWORK  probe.local ignored", ChannelKind::Network, "", 0, "probe.local"},
    {"NETWORK\t127.0.0.9", ChannelKind::None, "", 0, ""},  // a tab is part of the token
    {"NETWORK", ChannelKind::None, "", 0, ""},
    {"NETWORK ", ChannelKind::None, "", 0, ""},
    {"network 127.0.0.9", ChannelKind::None, "", 0, ""},
    {"com3", ChannelKind::None, "", 0, ""},
    {"LPT1", ChannelKind::None, "", 0, ""},
    {"", ChannelKind::None, "", 0, ""},
    {"      ", ChannelKind::None, "", 0, ""},
};

}  // namespace

TEST(ChannelSpec, Forms) {
    for (const SpecCase& c : kSpecCases) {
        SCOPED_TRACE(c.spec);
        const ChannelSpec s = ParseChannelSpec(c.spec);
        EXPECT_EQ(s.kind, c.kind);
        if (c.kind == ChannelKind::Serial) {
            EXPECT_STREQ(s.device, c.device);
            EXPECT_EQ(s.speed, c.speed);
        }
        if (c.kind == ChannelKind::Network) {
            EXPECT_STREQ(s.address, c.address);
        }
    }
}

TEST(ChannelSpec, OnlyTheFirst80CharactersCount) {
    std::string spec = "NETWORK " + std::string(72, 'a');  // 80 characters
    EXPECT_EQ(std::strlen(ParseChannelSpec((spec + "bcd").c_str()).address), 72u);
    // The address token starts beyond the cut: no address at all.
    EXPECT_EQ(ParseChannelSpec((std::string(80, ' ') + "NETWORK x").c_str()).kind,
              ChannelKind::None);
}

TEST(LinkOpen, RefusesNonChannelsAndLeavesNothingOpen) {
    for (const char* spec : {"", "   ", "NETWORK", "network 127.0.0.1", "LPT1",
                             "NETWORK 255.255.255.255", "NETWORK no-such-host.invalid"}) {
        SCOPED_TRACE(spec);
        EXPECT_EQ(LinkOpen(spec), kBadChannel);
        EXPECT_EQ(TheLink().socket, -1);
        uint8_t reply[4];
        EXPECT_EQ(LinkTransact(1, reply, 4, reply, 10), kNoChannel);
    }
}

TEST(LinkTransact, NeedsAnOpenChannel) {
    uint8_t buffer[8] = {'r'};
    EXPECT_EQ(LinkTransact(1, buffer, 8, buffer, 10), kNoChannel);
    EXPECT_EQ(LinkClose(), kOk);
    EXPECT_EQ(LinkTransact(1, buffer, 8, buffer, 10), kNoChannel);
}

TEST(SerialPorts, ComNamesMapThroughTheTable) {
    EXPECT_EQ(SerialDevicePath(1), "/dev/ttyS0");
    EXPECT_EQ(SerialDevicePath(19), "/dev/ttyS18");
    EXPECT_EQ(SerialDevicePath(20), "");
    SetSerialDevicePath(3, "/dev/ttyUSB0");
    EXPECT_EQ(ResolveSerialDevice("\\\\.\\COM3"), "/dev/ttyUSB0");
    EXPECT_EQ(ResolveSerialDevice("COM3"), "/dev/ttyUSB0");
    EXPECT_EQ(ResolveSerialDevice("COM4"), "/dev/ttyS3");
    for (const char* bad : {"COM", "COM0", "COM20", "COM3x", "\\\\.\\LPT1", "COMPUTER"})
        EXPECT_EQ(ResolveSerialDevice(bad), "") << bad;
    SetSerialDevicePath(3, "");
}

TEST(SerialPorts, AMissingDeviceKeepsTheSystemsReason) {
    SetSerialDevicePath(5, "/dev/no-such-serial-device");
    EXPECT_EQ(LinkOpen("\\\\.\\COM5 9600"), kSerialOpenFailed);
    EXPECT_EQ(LastSerialOpenError().path, "/dev/no-such-serial-device");
    EXPECT_EQ(LastSerialOpenError().error, ENOENT);
    EXPECT_EQ(LastSerialOpenError().text, "No such file or directory");
    SetSerialDevicePath(5, "");
}
