#include "tests/support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>

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

}  // namespace test
