// Shared by the test programs: the process's own loopback address, the simulated probe on
// a thread, and a status line that keeps what it was told.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
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
    void SetText(const std::string& text) override {
        texts.push_back(text);
        if (onText) onText(text);
    }
    std::vector<std::string> texts;
    std::function<void(const std::string&)> onText;  // lets a test act at a given step
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

using Message = std::vector<uint8_t>;

// The reply message to request with the given body: the request's sequence bits and the
// body's length in the header.
Message ReplyTo(const Message& request, const Message& body);
bool IsHello(const Message& m);

// A UDP peer on port 2001 whose answers a test scripts exactly: for every datagram it
// receives, the script returns the datagrams to send back.
class ScriptedUdpPeer {
public:
    using Script = std::function<std::vector<Message>(const Message& received)>;
    ScriptedUdpPeer(const std::string& address, Script script);
    ~ScriptedUdpPeer();
    std::vector<Message> Received();  // everything but hellos, in order
    int Requests();                   // how many of those there were

private:
    int fd_ = -1;
    Script script_;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::vector<Message> received_;
    std::thread thread_;
};

}  // namespace test
