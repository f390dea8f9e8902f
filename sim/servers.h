// Transport ends of the simulated probe: a UDP port and a pseudo-terminal, each served on
// a thread of its own.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

#include "sim/faults.h"
#include "sim/probe.h"

namespace sim {

inline constexpr uint16_t kUdpPort = 2001;

class UdpServer {
public:
    UdpServer(Probe& probe, std::string address, const LineFaults& faults = {});
    ~UdpServer();
    bool Start(std::string& error);
    void Stop();  // as if the probe were unplugged
    FaultPlan& Faults() { return plan_; }

private:
    void Run();
    Probe& probe_;
    std::string address_;
    FaultPlan plan_;
    int fd_ = -1;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

class PtyServer {
public:
    // linkPath: a symlink to the slave device is made there (empty: none).
    PtyServer(Probe& probe, std::string linkPath, uint32_t startSpeed = 9600,
              const LineFaults& faults = {});
    ~PtyServer();
    bool Start(std::string& error);
    void Stop();  // closes the master: the slave side sees the device vanish
    const std::string& SlavePath() const { return slavePath_; }
    uint32_t Speed() const { return speed_; }
    FaultPlan& Faults() { return plan_; }

private:
    void Run();
    void Send(const Outgoing& out, bool timing);
    bool WriteAll(const uint8_t* data, size_t n);
    uint32_t HostSpeed();

    Probe& probe_;
    std::string linkPath_;
    std::string slavePath_;
    std::atomic<uint32_t> speed_;
    FaultPlan plan_;
    int master_ = -1;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace sim
