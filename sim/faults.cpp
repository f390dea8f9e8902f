#include "sim/faults.h"

namespace sim {

namespace {
constexpr uint32_t kHoldGapMs = 20;
}

void FaultPlan::Set(const LineFaults& faults) {
    std::lock_guard lock(mutex_);
    faults_ = faults;
    random_.seed(faults.seed);
}

LineFaults FaultPlan::Get() {
    std::lock_guard lock(mutex_);
    return faults_;
}

bool FaultPlan::Chance(double p) {
    if (p <= 0) return false;
    return std::uniform_real_distribution<double>(0, 1)(random_) < p;
}

bool FaultPlan::DropRequest() {
    std::lock_guard lock(mutex_);
    return Chance(faults_.dropRequest);
}

std::vector<Outgoing> FaultPlan::Plan(const std::vector<uint8_t>& reply, bool serial,
                                      bool linkLevel) {
    std::lock_guard lock(mutex_);
    std::vector<Outgoing> out;
    if (reply.empty()) return out;
    const uint32_t latency = faults_.latencyMs;
    // Link-level answers (hello, speed change) go out untouched: the faults are the
    // transport's to carry.
    if (linkLevel) {
        out.push_back({reply, latency, false, {}});
        return out;
    }
    {
        if (Chance(faults_.runt)) {
            Outgoing runt;
            runt.message.assign(1 + random_() % 2, static_cast<uint8_t>(random_()));
            out.push_back(std::move(runt));
        }
        if (Chance(faults_.stale)) {
            Outgoing stale;
            // The reply as the previous request (sequence bits one lower) would have had it:
            // a reply that arrives too late, never one that a later request could take.
            stale.message = reply;
            const uint8_t previous = static_cast<uint8_t>(((reply[0] >> 6) + 3) & 3);
            stale.message[0] = static_cast<uint8_t>((reply[0] & 0x3F) | previous << 6);
            out.push_back(std::move(stale));
        }
        if (Chance(faults_.hold)) out.push_back({{0x08, 0x01, 0x00}, 0, false, {}});
    }
    Outgoing real;
    real.message = reply;
    real.delayMs = out.empty() ? latency : kHoldGapMs;
    if (!out.empty()) out.front().delayMs = latency;
    if (Chance(faults_.corrupt)) {
        if (serial)
            real.corruptCheck = true;
        else
            real.message[1] ^= 0x01;
    }
    if (serial && Chance(faults_.garbage)) {
        const size_t n = 1 + random_() % 8;
        for (size_t i = 0; i < n; ++i) {
            uint8_t b = static_cast<uint8_t>(random_());
            real.noise.push_back(b == 0x10 ? 0x55 : b);  // a lone DLE would eat our DLE
        }
    }
    if (!Chance(faults_.dropReply)) out.push_back(std::move(real));
    return out;
}

}  // namespace sim
