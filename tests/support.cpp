#include "tests/support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace test {

std::string LoopbackAddress() {
    const char* address = std::getenv("VEXALINK_TEST_ADDRESS");
    return address && *address ? address : "127.0.0.2";
}

std::string SecondLoopbackAddress() {
    // 127.1.0.N: same N as LoopbackAddress, another /16, still loopback.
    std::string a = LoopbackAddress();
    return "127.1.0." + a.substr(a.rfind('.') + 1);
}

bool RecordingStatus::Saw(const std::string& text) const {
    return std::find(texts.begin(), texts.end(), text) != texts.end();
}

UdpProbe::UdpProbe(const sim::Identity& identity, const sim::LineFaults& faults,
                   const std::string& address)
    : probe(identity), server(probe, address, faults), spec("NETWORK " + address) {
    std::string error;
    if (!server.Start(error)) ADD_FAILURE() << error;
}

TempDir::TempDir() {
    char pattern[] = "/tmp/vexalink-test-XXXXXX";
    const char* made = mkdtemp(pattern);
    if (!made) ADD_FAILURE() << "mkdtemp failed";
    path_ = made ? made : "/tmp";
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

void TempDir::Write(const std::string& name, const std::string& content) const {
    std::ofstream out(File(name), std::ios::binary);
    out << content;
}

std::vector<uint8_t> ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

Message ReplyTo(const Message& request, const Message& body) {
    Message m(body.size() + 2);
    m[0] = static_cast<uint8_t>((request[0] & 0xC0) | (body.size() >> 8));
    m[1] = static_cast<uint8_t>(body.size());
    std::copy(body.begin(), body.end(), m.begin() + 2);
    return m;
}

bool IsHello(const Message& m) {
    return m == Message{0x00, 0x01, 0x01};
}

ScriptedUdpPeer::ScriptedUdpPeer(const std::string& address, Script script)
    : script_(std::move(script)) {
    fd_ = socket(AF_INET, SOCK_DGRAM, 0);
    int on = 1;
    setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(2001);
    inet_pton(AF_INET, address.c_str(), &local.sin_addr);
    if (bind(fd_, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0)
        ADD_FAILURE() << "bind " << address;
    thread_ = std::thread([this] {
        uint8_t buffer[4096];
        while (!stop_) {
            pollfd p{fd_, POLLIN, 0};
            if (poll(&p, 1, 20) <= 0) continue;
            sockaddr_in peer{};
            socklen_t length = sizeof peer;
            const ssize_t n = recvfrom(fd_, buffer, sizeof buffer, 0,
                                       reinterpret_cast<sockaddr*>(&peer), &length);
            if (n < 0) continue;
            const Message got(buffer, buffer + n);
            if (!IsHello(got)) {
                std::lock_guard lock(mutex_);
                received_.push_back(got);
            }
            for (const Message& out : script_(got))
                sendto(fd_, out.data(), out.size(), 0, reinterpret_cast<sockaddr*>(&peer), length);
        }
    });
}

ScriptedUdpPeer::~ScriptedUdpPeer() {
    stop_ = true;
    thread_.join();
    close(fd_);
}

std::vector<Message> ScriptedUdpPeer::Received() {
    std::lock_guard lock(mutex_);
    return received_;
}

int ScriptedUdpPeer::Requests() {
    return static_cast<int>(Received().size());
}

}  // namespace test
