// An in-memory serial device: bytes to be read are queued by the test, bytes written are
// kept. Plugs into the link's serial seam.
#pragma once

#include <deque>
#include <vector>

#include "link/link_private.h"

namespace test {

class MemoryPort final : public SerialPort {
public:
    struct Shared {
        std::deque<uint8_t> input;
        std::vector<uint8_t> written;
        bool gone = false;  // the device vanished: every read fails
        bool refuse115200 = false;
        int timeouts = 0;  // reads that ran out of time
    };
    explicit MemoryPort(Shared& shared) : s_(shared) {}
    bool SetSpeed(uint32_t bps) override { return !(s_.refuse115200 && bps == 115200); }
    ResultCode ReadByte(uint8_t& b, uint32_t) override {
        if (s_.gone) return kSerialLineError;
        if (s_.input.empty()) {
            ++s_.timeouts;
            return kSerialTimeout;
        }
        b = s_.input.front();
        s_.input.pop_front();
        return kOk;
    }
    ResultCode Write(const uint8_t* d, size_t n, uint32_t) override {
        s_.written.insert(s_.written.end(), d, d + n);
        return kOk;
    }

private:
    Shared& s_;
};

}  // namespace test
