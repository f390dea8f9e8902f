#include <gtest/gtest.h>

#include "link/link_private.h"
#include "tests/memory_port.h"

using Bytes = std::vector<uint8_t>;

class SerialFrame : public ::testing::Test {
protected:
    void SetUp() override { SerialAttach(std::make_unique<test::MemoryPort>(port)); }
    void TearDown() override { SerialClose(); }
    Bytes Sent(const Bytes& message) {
        port.written.clear();
        EXPECT_EQ(SerialSendFrame(message.data(), message.size()), kOk);
        return port.written;
    }
    int32_t Receive(const Bytes& wire, Bytes* message = nullptr, int32_t capacity = 1500) {
        port.input.assign(wire.begin(), wire.end());
        uint8_t buffer[1600];
        const int32_t r = SerialReceiveFrame(50, capacity, buffer);
        if (message && r >= 0) message->assign(buffer, buffer + r);
        return r;
    }
    test::MemoryPort::Shared port;
};

TEST_F(SerialFrame, SendsStuffedFramesByteForByte) {
    EXPECT_EQ(Sent({0x00, 0x01, 0x01}), (Bytes{0x10, 0x02, 0x00, 0x01, 0x01, 0x10, 0x03, 0x00}));
    EXPECT_EQ(Sent({0x10, 0x01, 0x72}),
              (Bytes{0x10, 0x02, 0x10, 0x10, 0x01, 0x72, 0x10, 0x03, 0x63}));
    // XOR 0x10: the check byte is doubled too.
    EXPECT_EQ(Sent({0x12, 0x02}), (Bytes{0x10, 0x02, 0x12, 0x02, 0x10, 0x03, 0x10, 0x10}));
}

TEST_F(SerialFrame, ReceiveCases) {
    struct Case {
        const char* what;
        Bytes wire;
        int32_t result;
        Bytes message;
    };
    const Case cases[] = {
        {"empty message", {0x10, 0x02, 0x10, 0x03, 0x00}, 0, {}},
        {"garbage first", {0x55, 0xAA, 0x02, 0x10, 0x02, 0x41, 0x10, 0x03, 0x41}, 1, {0x41}},
        {"lone DLE consumes one byte", {0x10, 0x05, 0x10, 0x02, 0x41, 0x10, 0x03, 0x41}, 1, {0x41}},
        {"10 10 02 is no frame start",
         {0x10, 0x10, 0x02, 0x41, 0x10, 0x03, 0x41},
         kSerialTimeout,
         {}},
        {"doubled DLE in message",
         {0x10, 0x02, 0x10, 0x10, 0x01, 0x10, 0x03, 0x11},
         2,
         {0x10, 0x01}},
        {"doubled check byte", {0x10, 0x02, 0x12, 0x02, 0x10, 0x03, 0x10, 0x10}, 2, {0x12, 0x02}},
        {"DLE then junk", {0x10, 0x02, 0x41, 0x10, 0x05, 0x10, 0x03, 0x00}, kSerialBadEscape, {}},
        {"check DLE not doubled",
         {0x10, 0x02, 0x12, 0x02, 0x10, 0x03, 0x10, 0x11},
         kSerialBadEscape,
         {}},
        {"check byte changed", {0x10, 0x02, 0x41, 0x42, 0x10, 0x03, 0x04}, kSerialBadCheck, {}},
        {"stops mid-frame", {0x10, 0x02, 0x41, 0x42}, kSerialTimeout, {}},
        {"nothing at all", {}, kSerialTimeout, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Bytes message;
        EXPECT_EQ(Receive(c.wire, &message), c.result);
        if (c.result >= 0) {
            EXPECT_EQ(message, c.message);
        }
    }
}

TEST_F(SerialFrame, CapacityIsExact) {
    auto frameOf = [](size_t n) {
        Bytes m(n, 0x41);
        Bytes f(2 * n + 6);
        f.resize(BuildSerialFrame(m.data(), n, f.data()));
        return f;
    };
    EXPECT_EQ(Receive(frameOf(1500)), 1500);
    EXPECT_EQ(Receive(frameOf(1501)), kSerialFrameTooLong);
    EXPECT_EQ(Receive(frameOf(4), nullptr, 3), kSerialFrameTooLong);
}

TEST_F(SerialFrame, AVanishedDeviceEndsTheHunt) {
    port.gone = true;
    EXPECT_EQ(Receive({}), kSerialLineError);
}

TEST_F(SerialFrame, SetBaudRefusesSpeedsOutsideTheTable) {
    for (uint32_t bad : {0u, 300u, 14400u, 230400u})
        EXPECT_EQ(SerialSetBaud(bad), kSerialOpenFailed);
    EXPECT_EQ(SerialSetBaud(38400), kOk);
    EXPECT_EQ(TheLink().speed, 38400u);
}
