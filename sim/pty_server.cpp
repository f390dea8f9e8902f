#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>

#include "sim/servers.h"

namespace sim {

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kPollMs = 20;
constexpr uint8_t kDle = 0x10, kStx = 0x02, kEtx = 0x03;

uint32_t SpeedValue(speed_t s) {
    switch (s) {
        case B9600:
            return 9600;
        case B19200:
            return 19200;
        case B38400:
            return 38400;
        case B57600:
            return 57600;
        case B115200:
            return 115200;
        default:
            return 0;
    }
}

// The device's frame reader: fed byte by byte, it yields whole messages with a good
// check byte and drops everything else.
class FrameReader {
public:
    // True when a message is complete in message().
    bool Feed(uint8_t b) {
        switch (state_) {
            case State::Hunt:
                if (b == kDle) state_ = State::HuntDle;
                break;
            case State::HuntDle:
                state_ = b == kStx ? State::Body : State::Hunt;
                message_.clear();
                check_ = 0;
                break;
            case State::Body:
                if (b == kDle) {
                    state_ = State::BodyDle;
                } else {
                    Add(b);
                }
                break;
            case State::BodyDle:
                if (b == kDle) {
                    Add(b);
                    state_ = State::Body;
                } else if (b == kEtx) {
                    state_ = State::Check;
                } else {
                    state_ = State::Hunt;
                }
                break;
            case State::Check:
                if (b == kDle) {
                    state_ = State::CheckDle;
                    break;
                }
                state_ = State::Hunt;
                return b == check_;
            case State::CheckDle:
                state_ = State::Hunt;
                return b == kDle && check_ == kDle;
        }
        if (message_.size() > 1500) state_ = State::Hunt;
        return false;
    }
    void Reset() { state_ = State::Hunt; }
    const std::vector<uint8_t>& message() const { return message_; }

private:
    enum class State { Hunt, HuntDle, Body, BodyDle, Check, CheckDle };
    void Add(uint8_t b) {
        message_.push_back(b);
        check_ ^= b;
    }
    State state_ = State::Hunt;
    std::vector<uint8_t> message_;
    uint8_t check_ = 0;
};

std::vector<uint8_t> Frame(const std::vector<uint8_t>& m, bool corruptCheck) {
    std::vector<uint8_t> f = {kDle, kStx};
    uint8_t check = 0;
    for (uint8_t b : m) {
        check ^= b;
        if (b == kDle) f.push_back(kDle);
        f.push_back(b);
    }
    f.push_back(kDle);
    f.push_back(kEtx);
    if (corruptCheck) check ^= 0x5A;
    if (check == kDle) f.push_back(kDle);
    f.push_back(check);
    return f;
}

std::chrono::microseconds WireTime(size_t bytes, uint32_t speed) {
    return std::chrono::microseconds(speed ? bytes * 10'000'000ull / speed : 0);
}

}  // namespace

PtyServer::PtyServer(Probe& probe, std::string linkPath, uint32_t startSpeed,
                     const LineFaults& faults)
    : probe_(probe), linkPath_(std::move(linkPath)), speed_(startSpeed), plan_(faults) {}

PtyServer::~PtyServer() {
    Stop();
}

bool PtyServer::Start(std::string& error) {
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) {
        error = std::string("pseudo-terminal: ") + std::strerror(errno);
        return false;
    }
    slavePath_ = ptsname(master_);
    // Raw from the start, so nothing echoes before the host configures the line itself.
    const int slave = open(slavePath_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave >= 0) {
        termios tio{};
        tcgetattr(slave, &tio);
        cfmakeraw(&tio);
        tcsetattr(slave, TCSANOW, &tio);
        close(slave);
    }
    if (!linkPath_.empty()) {
        unlink(linkPath_.c_str());
        if (symlink(slavePath_.c_str(), linkPath_.c_str()) != 0) {
            error = linkPath_ + ": " + std::strerror(errno);
            return false;
        }
    }
    stop_ = false;
    thread_ = std::thread([this] { Run(); });
    return true;
}

void PtyServer::Stop() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    if (master_ >= 0) close(master_);
    master_ = -1;
    if (!linkPath_.empty()) unlink(linkPath_.c_str());
}

uint32_t PtyServer::HostSpeed() {
    termios tio{};
    if (tcgetattr(master_, &tio) != 0) return 0;
    return SpeedValue(cfgetospeed(&tio));
}

bool PtyServer::WriteAll(const uint8_t* data, size_t n) {
    const auto deadline = Clock::now() + std::chrono::seconds(1);
    size_t done = 0;
    while (done < n && !stop_) {
        const ssize_t w = write(master_, data + done, n - done);
        if (w > 0) {
            done += static_cast<size_t>(w);
            continue;
        }
        if (w < 0 && errno != EAGAIN && errno != EINTR) return false;
        if (Clock::now() > deadline) return false;
        pollfd p{master_, POLLOUT, 0};
        poll(&p, 1, kPollMs);
    }
    return done == n;
}

void PtyServer::Send(const Outgoing& out, bool timing) {
    if (out.delayMs) std::this_thread::sleep_for(std::chrono::milliseconds(out.delayMs));
    std::vector<uint8_t> bytes = out.noise;
    const std::vector<uint8_t> frame = Frame(out.message, out.corruptCheck);
    bytes.insert(bytes.end(), frame.begin(), frame.end());
    // The host hears a reply only at the speed the loader sends it.
    if (HostSpeed() != speed_) return;
    if (timing) std::this_thread::sleep_for(WireTime(bytes.size(), speed_));
    WriteAll(bytes.data(), bytes.size());
}

void PtyServer::Run() {
    FrameReader reader;
    uint8_t buffer[512];
    size_t frameBytes = 0;
    Clock::time_point frameStart{};
    while (!stop_) {
        pollfd p{master_, POLLIN, 0};
        const int ready = poll(&p, 1, kPollMs);
        if (ready <= 0) continue;
        if (!(p.revents & POLLIN)) {
            // No slave open at the moment (POLLHUP): wait for the host to come back.
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            continue;
        }
        const ssize_t n = read(master_, buffer, sizeof buffer);
        if (n <= 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            continue;
        }
        // A UART at the wrong speed hears only noise.
        if (HostSpeed() != speed_) {
            reader.Reset();
            frameBytes = 0;
            continue;
        }
        const LineFaults faults = plan_.Get();
        for (ssize_t i = 0; i < n; ++i) {
            if (frameBytes++ == 0) frameStart = Clock::now();
            if (!reader.Feed(buffer[i])) continue;
            const std::vector<uint8_t> message = reader.message();
            if (faults.timing)
                std::this_thread::sleep_until(frameStart + WireTime(frameBytes, speed_));
            frameBytes = 0;
            const bool request = !message.empty() && (message[0] & 0x10);
            if (request && plan_.DropRequest()) continue;
            const Response response = probe_.Handle(message.data(), message.size());
            if (response.busyUs)
                std::this_thread::sleep_for(std::chrono::microseconds(response.busyUs));
            for (const Outgoing& out : plan_.Plan(response.reply, true, !request))
                Send(out, faults.timing);
            if (response.newSpeed) speed_ = response.newSpeed;
        }
    }
}

}  // namespace sim
