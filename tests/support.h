// Shared by the test programs: the process's own loopback address, the simulated probe on
// a thread, and a status line that keeps what it was told.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "common/status.h"
#include "sim/probe.h"
#include "sim/servers.h"

namespace test {

// 127.0.0.N, one N per test program (set by the build), so parallel runs never collide.
std::string LoopbackAddress();
// Another loopback address of this program's own, for a second probe or a silent peer.
std::string SecondLoopbackAddress();

class RecordingStatus : public StatusLine {
public:
    void SetText(const std::string& text) override { texts.push_back(text); }
    std::vector<std::string> texts;
    bool Saw(const std::string& text) const;
};

// A probe served over UDP on LoopbackAddress() for the life of the object.
class UdpProbe {
public:
    explicit UdpProbe(const sim::Identity& identity = {}, const sim::LineFaults& faults = {},
                      const std::string& address = LoopbackAddress());
    sim::Probe probe;
    sim::UdpServer server;
    std::string spec;  // "NETWORK <address>"
};

// A fresh temporary directory, removed with the object.
class TempDir {
public:
    TempDir();
    ~TempDir();
    const std::string& path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "/" + name; }
    void Write(const std::string& name, const std::string& content) const;

private:
    std::string path_;
};

std::vector<uint8_t> ReadFileBytes(const std::string& path);

}  // namespace test
