// Seeded line faults: what the transport servers do to the traffic around the device.
#pragma once

#include <cstdint>
#include <mutex>
#include <random>
#include <vector>

namespace sim {

struct LineFaults {
    uint32_t seed = 1;
    double dropRequest = 0;  // the request never reaches the loader
    double dropReply = 0;    // the reply is lost
    double stale = 0;        // a reply with other sequence bits comes first
    double hold = 0;         // LinkHold comes first, the reply a little later
    double runt = 0;         // a 1- or 2-byte message comes first
    double corrupt = 0;      // serial: check byte wrong; UDP: length field wrong
    double garbage = 0;      // serial: noise bytes before the frame
    uint32_t latencyMs = 0;  // before every reply
    bool timing = false;     // serial wire time at the current speed, flash times
};

// One outgoing message and how long to wait before sending it.
struct Outgoing {
    std::vector<uint8_t> message;
    uint32_t delayMs = 0;
    bool corruptCheck = false;   // serial framing: send a wrong check byte
    std::vector<uint8_t> noise;  // serial framing: bytes before the frame
};

class FaultPlan {
public:
    explicit FaultPlan(const LineFaults& faults) : faults_(faults), random_(faults.seed) {}
    void Set(const LineFaults& faults);
    LineFaults Get();

    bool DropRequest();
    // The messages that go out in place of one reply.
    std::vector<Outgoing> Plan(const std::vector<uint8_t>& reply, bool serial, bool linkLevel);

private:
    bool Chance(double p);
    std::mutex mutex_;
    LineFaults faults_;
    std::mt19937 random_;
};

}  // namespace sim
