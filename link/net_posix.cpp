// Messages as UDP datagrams over BSD sockets, one message per datagram.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "link/link_private.h"

namespace {

constexpr int kHelloTries = 6;
constexpr uint32_t kHelloWaitMs = 500;
constexpr uint8_t kLinkHello[] = {0x00, 0x01, 0x01};

// IPv4 only; the first address of the host's list, as the loader has no IPv6.
bool Resolve(const char* host, in_addr& address) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* list = nullptr;
    if (getaddrinfo(host, nullptr, &hints, &list) != 0 || list == nullptr) return false;
    address = reinterpret_cast<const sockaddr_in*>(list->ai_addr)->sin_addr;
    freeaddrinfo(list);
    return address.s_addr != INADDR_BROADCAST;
}

}  // namespace

ResultCode NetOpen(const char* host, uint16_t port) {
    LoaderLink& link = TheLink();
    in_addr address{};
    if (host[0] == '\0' || !Resolve(host, address)) return kBadChannel;

    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return kNetFailure;
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_port = htons(port);
    peer.sin_addr = address;
    const int flags = fcntl(fd, F_GETFL);
    // Connected, so datagrams from any other address or port never count as replies.
    if (flags < 0 || fcntl(fd, F_SETFL, flags | O_NONBLOCK) != 0 ||
        connect(fd, reinterpret_cast<const sockaddr*>(&peer), sizeof peer) != 0) {
        close(fd);
        return kNetFailure;
    }
    link.socket = fd;
    return kOk;
}

void NetClose() {
    LoaderLink& link = TheLink();
    if (link.socket >= 0) close(link.socket);
    link.socket = -1;
}

ResultCode NetSend(const uint8_t* bytes, size_t n) {
    const ssize_t sent = send(TheLink().socket, bytes, n, MSG_NOSIGNAL);
    return sent == static_cast<ssize_t>(n) ? kOk : kNetFailure;
}

int32_t NetReceive(uint32_t limitMs, int32_t capacity, uint8_t* buffer) {
    const int fd = TheLink().socket;
    pollfd p{fd, POLLIN, 0};
    int ready;
    do ready = poll(&p, 1, static_cast<int>(limitMs));
    while (ready < 0 && errno == EINTR);
    if (ready == 0) return kNetTimeout;
    if (ready < 0) return kNetFailure;
    // MSG_TRUNC reports the datagram's real length, so a longer one is refused, not cut.
    const ssize_t n = recv(fd, buffer, static_cast<size_t>(capacity), MSG_TRUNC);
    if (n < 0 || n > capacity) return kNetFailure;
    return static_cast<int32_t>(n);
}

ResultCode NetHello() {
    LoaderLink& link = TheLink();
    std::memcpy(link.tx, kLinkHello, sizeof kLinkHello);
    for (int i = 0; i < kHelloTries; ++i) {
        if (NetSend(link.tx, sizeof kLinkHello) != kOk) continue;
        if (NetReceive(kHelloWaitMs, kMessageCapacity, link.rx) == 3) return kOk;
    }
    return kNoAnswer;
}
