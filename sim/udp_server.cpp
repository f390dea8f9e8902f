#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

#include "sim/servers.h"

namespace sim {

namespace {
constexpr int kPollMs = 20;
}

UdpServer::UdpServer(Probe& probe, std::string address, const LineFaults& faults)
    : probe_(probe), address_(std::move(address)), plan_(faults) {}

UdpServer::~UdpServer() {
    Stop();
}

bool UdpServer::Start(std::string& error) {
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(kUdpPort);
    if (inet_pton(AF_INET, address_.c_str(), &local.sin_addr) != 1) {
        error = address_ + ": not a dotted IPv4 address";
        return false;
    }
    if ((ntohl(local.sin_addr.s_addr) >> 24) != 127) {
        error = address_ + ": the simulator serves loopback addresses only";
        return false;
    }
    fd_ = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    int on = 1;
    setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    if (fd_ < 0 || bind(fd_, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
        error = address_ + ":2001: " + std::strerror(errno);
        if (fd_ >= 0) close(fd_);
        fd_ = -1;
        return false;
    }
    stop_ = false;
    thread_ = std::thread([this] { Run(); });
    return true;
}

void UdpServer::Stop() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
}

void UdpServer::Run() {
    uint8_t buffer[4096];
    while (!stop_) {
        pollfd p{fd_, POLLIN, 0};
        if (poll(&p, 1, kPollMs) <= 0) continue;
        sockaddr_in peer{};
        socklen_t peerLength = sizeof peer;
        const ssize_t n = recvfrom(fd_, buffer, sizeof buffer, 0,
                                   reinterpret_cast<sockaddr*>(&peer), &peerLength);
        if (n < 0) continue;
        const bool request = n >= 1 && (buffer[0] & 0x10);
        if (request && plan_.DropRequest()) continue;
        const Response response = probe_.Handle(buffer, static_cast<size_t>(n));
        if (response.busyUs)
            std::this_thread::sleep_for(std::chrono::microseconds(response.busyUs));
        for (const Outgoing& out : plan_.Plan(response.reply, false, !request)) {
            if (out.delayMs) std::this_thread::sleep_for(std::chrono::milliseconds(out.delayMs));
            sendto(fd_, out.message.data(), out.message.size(), 0,
                   reinterpret_cast<sockaddr*>(&peer), peerLength);
        }
    }
}

}  // namespace sim
