#include "link/link.h"

#include <cstring>

#include "link/link_private.h"

namespace {

constexpr int kSyncTries = 3;
constexpr uint32_t kNetReceiveExtraMs = 100;
constexpr uint32_t kSerialReceiveExtraMs = 200;
// Characters allowed for in the serial time limit besides the request body: the largest
// reply plus the framing.
constexpr uint32_t kSerialFrameAllowance = 1502;

void CloseChannel(LoaderLink& link) {
    if (!link.open) return;
    if (link.kind == ChannelKind::Serial)
        SerialClose();
    else if (link.kind == ChannelKind::Network)
        NetClose();
    link.open = false;
}

void MarkOpen(LoaderLink& link) {
    link.open = true;
    link.sticky = kOk;
    link.sequence = 0;
    link.requestFlags = kRequestFlags;
}

ResultCode SendMessage(LoaderLink& link, size_t n) {
    return link.kind == ChannelKind::Serial ? SerialSendFrame(link.tx, n) : NetSend(link.tx, n);
}

int32_t ReceiveMessage(LoaderLink& link, int32_t requestLength, uint32_t timeLimit) {
    if (link.kind == ChannelKind::Serial) {
        const uint32_t transfer =
            (static_cast<uint32_t>(requestLength) + kSerialFrameAllowance) * 10000u / link.speed;
        return SerialReceiveFrame(transfer + timeLimit + kSerialReceiveExtraMs, kMessageCapacity,
                                  link.rx);
    }
    return NetReceive(timeLimit + kNetReceiveExtraMs, kMessageCapacity, link.rx);
}

bool IsLinkHold(const uint8_t* m, int32_t r) {
    return r == 3 && m[0] == 0x08 && m[1] == 0x01;
}

}  // namespace

LoaderLink& TheLink() {
    static LoaderLink link;
    return link;
}

ResultCode LinkOpen(const char* spec) {
    LoaderLink& link = TheLink();
    CloseChannel(link);

    const ChannelSpec channel = ParseChannelSpec(spec);
    if (channel.kind == ChannelKind::Serial) {
        link.kind = ChannelKind::Serial;
        ResultCode rc = SerialOpen(channel.device);
        if (rc != kOk) return rc;
        for (int i = 0; i < kSyncTries; ++i) {
            rc = SerialSync(channel.speed);
            if (rc == kOk) break;
        }
        if (rc != kOk) {
            SerialClose();
            return rc;
        }
    } else if (channel.kind == ChannelKind::Network) {
        link.kind = ChannelKind::Network;
        ResultCode rc = NetOpen(channel.address, kLoaderUdpPort);
        if (rc != kOk) return rc;
        rc = NetHello();
        if (rc != kOk) {
            NetClose();
            return rc;
        }
    } else {
        return kBadChannel;
    }
    MarkOpen(link);
    return kOk;
}

void LinkOpenAttachedSerial(uint32_t speed) {
    LoaderLink& link = TheLink();
    link.kind = ChannelKind::Serial;
    link.speed = speed;
    MarkOpen(link);
}

ResultCode LinkClose() {
    CloseChannel(TheLink());
    return kOk;
}

int32_t LinkTransact(int32_t length, const uint8_t* request, int32_t capacity, uint8_t* reply,
                     uint32_t timeLimitMs) {
    LoaderLink& link = TheLink();
    if (!link.open) return kNoChannel;
    if (link.sticky != kOk) return link.sticky;
    if (static_cast<uint32_t>(length) > kMaxRequestBody) return kBadChannel;

    const auto sequenceBits = static_cast<uint8_t>(link.sequence << 6);
    link.tx[0] = static_cast<uint8_t>(sequenceBits | link.requestFlags | (length >> 8));
    link.tx[1] = static_cast<uint8_t>(length);
    ++link.sequence;
    if (length > 0) std::memcpy(link.tx + 2, request, static_cast<size_t>(length));
    const size_t messageLength = static_cast<size_t>(length) + 2;

    bool send = true;
    int attempts = 0;
    uint32_t limit = timeLimitMs;
    while (true) {
        bool waitThisPass = true;
        if (send) {
            ++attempts;
            // A failed send leaves the switch on and skips the wait.
            if (SendMessage(link, messageLength) != kOk) waitThisPass = false;
        }
        if (waitThisPass) {
            const int32_t r = ReceiveMessage(link, length, limit);
            if (IsLinkHold(link.rx, r)) {
                send = !send;
            } else if (r <= 0) {
                limit *= 2;
                send = true;
            } else if (r < 3) {
                send = false;
            } else if ((link.rx[0] & 0xC0) != (sequenceBits & 0xC0)) {
                send = false;
            } else {
                const int32_t body = (link.rx[0] & 0x07) << 8 | link.rx[1];
                if (r - 2 != body) {
                    send = true;
                } else {
                    if (body > capacity) return kReplyTooLong;
                    std::memcpy(reply, link.rx + 2, static_cast<size_t>(body));
                    return body;
                }
            }
        }
        if (attempts >= kMaxSendsPerRequest) {
            link.sticky = kNoAnswer;
            return kNoAnswer;
        }
    }
}
