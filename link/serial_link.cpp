// Messages over a serial line: DLE STX, the message with every DLE doubled, DLE ETX, and
// the XOR of the message bytes as check byte; plus the speed agreement with the loader.
#include <cstring>

#include "common/delay.h"
#include "common/pack.h"
#include "link/link_private.h"

namespace {

constexpr uint8_t kDle = 0x10;
constexpr uint8_t kStx = 0x02;
constexpr uint8_t kEtx = 0x03;

constexpr uint32_t kSerialSpeedTable[] = {9600, 19200, 38400, 57600, 115200};
constexpr int kTopSpeedIndex = 4;
constexpr uint32_t kOpenSpeed = 9600;
constexpr uint32_t kSyncByteLimitMs = 200;
constexpr uint32_t kSpeedSettleMs = 300;
// A write of n bytes that has not finished by then ends incomplete.
constexpr uint32_t kWritePerByteMs = 10;
constexpr uint32_t kWriteExtraMs = 100;

constexpr uint8_t kLinkHello[] = {0x00, 0x01, 0x01};
constexpr int kLinkHelloReplyLength = 3;
constexpr int kLinkSetBaudLength = 7;

bool IsTableSpeed(uint32_t speed) {
    for (uint32_t s : kSerialSpeedTable)
        if (s == speed) return true;
    return false;
}

// LinkHello is in the transmit buffer; true when the loader answered it with 3 bytes.
bool HelloAnswered() {
    LoaderLink& link = TheLink();
    if (SerialSendFrame(link.tx, sizeof kLinkHello) != kOk) return false;
    return SerialReceiveFrame(kSyncByteLimitMs, kMessageCapacity, link.rx) == kLinkHelloReplyLength;
}

}  // namespace

ResultCode SerialOpen(const char* path) {
    const std::string device = ResolveSerialDevice(path);
    int error = 0;
    std::string text;
    std::unique_ptr<SerialPort> port;
    if (device.empty())
        text = "not a COM port name";
    else
        port = OpenSerialDevice(device, error, text);
    if (!port) {
        RecordSerialOpenError(device.empty() ? path : device, error, text);
        return kSerialOpenFailed;
    }
    RecordSerialOpenError({}, 0, {});
    SerialAttach(std::move(port));
    return kOk;
}

void SerialAttach(std::unique_ptr<SerialPort> port) {
    LoaderLink& link = TheLink();
    link.port = std::move(port);
    link.speed = kOpenSpeed;
    link.port->SetSpeed(kOpenSpeed);
}

void SerialClose() {
    TheLink().port.reset();
}

ResultCode SerialSetBaud(uint32_t speed) {
    LoaderLink& link = TheLink();
    // Only the table's speeds: the serial time limit divides by the current speed.
    if (!link.port || !IsTableSpeed(speed)) return kSerialOpenFailed;
    if (!link.port->SetSpeed(speed)) return kSerialOpenFailed;
    link.speed = speed;
    return kOk;
}

ResultCode SerialReadByte(uint8_t& byte, uint32_t limitMs) {
    LoaderLink& link = TheLink();
    if (!link.port) return kSerialLineError;
    return link.port->ReadByte(byte, limitMs);
}

ResultCode SerialWrite(const uint8_t* bytes, size_t n) {
    LoaderLink& link = TheLink();
    if (!link.port) return kSerialWriteFailed;
    const uint32_t limit = static_cast<uint32_t>(n) * kWritePerByteMs + kWriteExtraMs;
    return link.port->Write(bytes, n, limit);
}

size_t BuildSerialFrame(const uint8_t* message, size_t length, uint8_t* frame) {
    uint8_t* c = frame;
    c = PutByte(c, kDle);
    c = PutByte(c, kStx);
    uint8_t check = 0;
    for (size_t i = 0; i < length; ++i) {
        check ^= message[i];
        if (message[i] == kDle) c = PutByte(c, kDle);
        c = PutByte(c, message[i]);
    }
    c = PutByte(c, kDle);
    c = PutByte(c, kEtx);
    if (check == kDle) c = PutByte(c, kDle);
    c = PutByte(c, check);
    return static_cast<size_t>(c - frame);
}

ResultCode SerialSendFrame(const uint8_t* message, size_t length) {
    LoaderLink& link = TheLink();
    if (length > kMessageCapacity) return kSerialWriteFailed;
    return SerialWrite(link.frame, BuildSerialFrame(message, length, link.frame));
}

int32_t SerialReceiveFrame(uint32_t limit, int32_t capacity, uint8_t* buffer) {
    uint8_t b = 0;
    // Hunt for DLE STX. A device that has gone away ends the hunt rather than spin on it.
    while (true) {
        ResultCode rc = SerialReadByte(b, limit);
        if (rc == kSerialTimeout || rc == kSerialLineError) return rc;
        if (rc != kOk || b != kDle) continue;
        rc = SerialReadByte(b, limit);
        if (rc == kSerialTimeout || rc == kSerialLineError) return rc;
        if (rc == kOk && b == kStx) break;
    }

    int32_t count = 0;
    uint8_t check = 0;
    while (true) {
        ResultCode rc = SerialReadByte(b, limit);
        if (rc != kOk) return rc;
        if (b == kDle) {
            rc = SerialReadByte(b, limit);
            if (rc != kOk) return rc;
            if (b == kEtx) break;
            if (b != kDle) return kSerialBadEscape;
        }
        if (count >= capacity) return kSerialFrameTooLong;
        buffer[count++] = b;
        check ^= b;
    }

    ResultCode rc = SerialReadByte(b, limit);
    if (rc != kOk) return rc;
    if (b == kDle) {
        rc = SerialReadByte(b, limit);
        if (rc != kOk) return rc;
        if (b != kDle) return kSerialBadEscape;
    }
    return b == check ? count : kSerialBadCheck;
}

ResultCode SerialSync(int32_t requested) {
    LoaderLink& link = TheLink();
    const int top = SerialSetBaud(kSerialSpeedTable[kTopSpeedIndex]) == kOk ? kTopSpeedIndex
                                                                            : kTopSpeedIndex - 1;
    uint32_t target = static_cast<uint32_t>(requested);
    if (kSerialSpeedTable[top] < target) target = kSerialSpeedTable[top];

    std::memcpy(link.tx, kLinkHello, sizeof kLinkHello);
    if (SerialSetBaud(target) == kOk && HelloAnswered()) return kOk;

    bool found = false;
    for (int i = 0; i <= top && !found; ++i) {
        // Two bytes outside any frame at the new speed, so the loader's UART sees the change.
        static constexpr uint8_t kWakeBytes[] = {0x00, 0x00};
        const bool ready = SerialSetBaud(kSerialSpeedTable[i]) == kOk &&
                           SerialWrite(kWakeBytes, sizeof kWakeBytes) == kOk;
        Delay(kSpeedSettleMs);
        found = ready && HelloAnswered();
    }
    if (!found) return kNoAnswer;

    uint8_t* c = link.tx;
    c = PutByte(c, 0x00);
    c = PutByte(c, 0x05);
    c = PutByte(c, 0x03);
    PutBE32(c, target);
    if (SerialSendFrame(link.tx, kLinkSetBaudLength) != kOk) return kSerialOpenFailed;
    if (SerialReceiveFrame(kSyncByteLimitMs, kMessageCapacity, link.rx) != kLinkSetBaudLength)
        return kSerialOpenFailed;
    Delay(kSpeedSettleMs);

    uint32_t named = 0;
    GetBE32(link.rx + 3, named);
    std::memcpy(link.tx, kLinkHello, sizeof kLinkHello);
    if (SerialSetBaud(named) == kOk && HelloAnswered()) return kOk;
    return kWrongReply;
}
