// The serial link over a real pseudo-terminal against the simulated probe.
#include <gtest/gtest.h>

#include <chrono>

#include "link/link.h"
#include "link/link_private.h"
#include "link/ports.h"
#include "tests/support.h"

namespace {

int Count(sim::Probe& probe, sim::EventKind kind) {
    int n = 0;
    for (const sim::Event& e : probe.Events()) n += e.kind == kind;
    return n;
}

}  // namespace

class SerialLink : public ::testing::Test {
protected:
    void Serve(uint32_t startSpeed, const sim::DeviceFaults& faults = {}, uint32_t answer = 0) {
        probe.SetDeviceFaults(faults);
        probe.SetAnswerSpeed(answer);
        server = std::make_unique<sim::PtyServer>(probe, dir.File("probe"), startSpeed);
        std::string error;
        ASSERT_TRUE(server->Start(error)) << error;
        SetSerialDevicePath(3, dir.File("probe"));
    }
    void TearDown() override {
        LinkClose();
        server.reset();
        SetSerialDevicePath(3, "");
    }
    test::TempDir dir;
    sim::Probe probe;
    std::unique_ptr<sim::PtyServer> server;
};

TEST_F(SerialLink, DirectTryWhenTheLoaderListensAtTheRequestedSpeed) {
    Serve(57600);
    ASSERT_EQ(LinkOpen("\\\\.\\COM3 57600"), kOk);
    EXPECT_EQ(Count(probe, sim::EventKind::Hello), 1);
    EXPECT_EQ(Count(probe, sim::EventKind::SetBaud), 0);
    EXPECT_EQ(TheLink().speed, 57600u);

    // A request and its reply over the line.
    const uint8_t query = 'r';
    uint8_t reply[1500];
    EXPECT_EQ(LinkTransact(1, &query, 1500, reply, 100), 1);
    EXPECT_EQ(reply[0], 'L');
}

TEST_F(SerialLink, SearchFindsTheLoaderAndMovesItToTheTarget) {
    Serve(38400);
    ASSERT_EQ(LinkOpen("COM3"), kOk);  // 115200 asked for
    EXPECT_EQ(server->Speed(), 115200u);
    EXPECT_EQ(TheLink().speed, 115200u);
    const auto events = probe.Events();
    ASSERT_EQ(Count(probe, sim::EventKind::SetBaud), 1);
    for (const sim::Event& e : events) {
        if (e.kind == sim::EventKind::SetBaud) {
            EXPECT_EQ(e.address, 115200u);
        }
    }

    // Open again: the loader now listens at 115200, so the direct try answers.
    probe.ClearEvents();
    ASSERT_EQ(LinkOpen("COM3 115200"), kOk);
    EXPECT_EQ(Count(probe, sim::EventKind::SetBaud), 0);
}

TEST_F(SerialLink, SpeedsAboveTheTopAskFor115200) {
    Serve(9600);
    ASSERT_EQ(LinkOpen("COM3 230400"), kOk);
    EXPECT_EQ(server->Speed(), 115200u);
}

TEST_F(SerialLink, TheLoadersSpeedWins) {
    Serve(9600, {}, 38400);
    ASSERT_EQ(LinkOpen("COM3 115200"), kOk);
    EXPECT_EQ(TheLink().speed, 38400u);
    EXPECT_EQ(server->Speed(), 38400u);
}

TEST_F(SerialLink, ASpeedAnswerOfTheWrongLengthFails) {
    for (int delta : {-1, +1}) {
        SCOPED_TRACE(delta);
        sim::DeviceFaults faults;
        faults.setBaudLengthDelta = delta;
        Serve(9600, faults);
        EXPECT_EQ(LinkOpen("COM3 115200"), kSerialOpenFailed);
        EXPECT_EQ(Count(probe, sim::EventKind::SetBaud), 3);  // three syncs
        server.reset();
        probe.ClearEvents();
    }
}

TEST_F(SerialLink, ThePortIsExclusive) {
    Serve(115200);
    ASSERT_EQ(LinkOpen("COM3 115200"), kOk);
    int error = 0;
    std::string text;
    EXPECT_EQ(OpenSerialDevice(dir.File("probe"), error, text), nullptr);
    EXPECT_EQ(error, EBUSY);
    LinkClose();
    auto again = OpenSerialDevice(dir.File("probe"), error, text);
    EXPECT_NE(again, nullptr) << text;
}

TEST_F(SerialLink, AVanishedDeviceEndsTheExchangeQuickly) {
    Serve(115200);
    ASSERT_EQ(LinkOpen("COM3 115200"), kOk);
    server->Stop();
    const auto start = std::chrono::steady_clock::now();
    const uint8_t query = 'r';
    uint8_t reply[1500];
    EXPECT_EQ(LinkTransact(1, &query, 1500, reply, 100), kNoAnswer);
    // Generous bound, only to catch a hang: the retry rules allow about 7 s here.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
}
