#include "sim/probe.h"

#include <algorithm>
#include <cstring>

namespace sim {

namespace {

uint32_t Be32(const uint8_t* p) {
    return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}
uint16_t Be16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] << 8 | p[1]);
}
void PutBe32(std::vector<uint8_t>& v, uint32_t x) {
    for (int s = 24; s >= 0; s -= 8) v.push_back(static_cast<uint8_t>(x >> s));
}
void PutBe16(std::vector<uint8_t>& v, uint16_t x) {
    v.push_back(static_cast<uint8_t>(x >> 8));
    v.push_back(static_cast<uint8_t>(x));
}

}  // namespace

Response Probe::Handle(const uint8_t* m, size_t n) {
    std::lock_guard lock(mutex_);
    Response out;
    if (n < 2) return out;
    const bool request = (m[0] & 0x10) != 0;
    if (!request) {
        // Link level: LinkHello and LinkSetBaud, outside the sequence numbering.
        // A new hello starts a new conversation: forget the resend cache.
        if (n == 3 && m[1] == 0x01 && m[2] == 0x01) {
            cachedRequest_.clear();
            Record({EventKind::Hello, 0, 0, 0, false, false, {m, m + n}});
            out.reply = {0x00, 0x01, 0x01};
        } else if (n == 7 && m[1] == 0x05 && m[2] == 0x03) {
            const uint32_t asked = Be32(m + 3);
            out.newSpeed = answerSpeed_ ? answerSpeed_ : asked;
            out.reply = {0x00, 0x05, 0x03};
            PutBe32(out.reply, out.newSpeed);
            const int delta = faults_.setBaudLengthDelta;
            if (delta > 0) out.reply.insert(out.reply.end(), size_t(delta), 0);
            if (delta < 0) out.reply.resize(out.reply.size() - std::min(size_t(-delta), size_t(6)));
            if (out.reply.size() != 7) out.newSpeed = 0;
            Record({EventKind::SetBaud, 0, asked, out.newSpeed, false, false, {m, m + n}});
        }
        return out;
    }
    const size_t body = static_cast<size_t>((m[0] & 0x07) << 8 | m[1]);
    if (body != n - 2 || body == 0) return out;  // damaged: the host will resend

    Record({EventKind::Request, m[2], 0, 0, false, false, {m, m + n}});
    if (cachedRequest_.size() == n && std::equal(m, m + n, cachedRequest_.begin())) {
        out.reply = cachedReply_;
        out.fromCache = true;
    } else {
        const std::vector<uint8_t> replyBody = Execute(m + 2, body, out.busyUs);
        out.reply.push_back(static_cast<uint8_t>((m[0] & 0xC0) | (replyBody.size() >> 8 & 7)));
        out.reply.push_back(static_cast<uint8_t>(replyBody.size()));
        out.reply.insert(out.reply.end(), replyBody.begin(), replyBody.end());
        cachedRequest_.assign(m, m + n);
        cachedReply_ = out.reply;
    }
    Record({EventKind::Reply, out.reply.size() > 2 ? out.reply[2] : uint8_t{0}, 0, 0, false, false,
            out.reply});
    return out;
}

std::vector<uint8_t> Probe::Execute(const uint8_t* b, size_t n, uint32_t& busyUs) {
    uint8_t* flash = flash_.data();
    const uint8_t command = b[0];
    std::vector<uint8_t> r;
    switch (command) {
        case 'r':
            r = {static_cast<uint8_t>(identity_.answerQueryWithR ? 'r' : 'L')};
            break;
        case 'd': {
            r = {'d'};
            PutBe16(r, identity_.loaderVersion);
            PutBe16(r, identity_.firmwareField);
            PutBe32(r, 0);
            std::string serial = identity_.serial;
            serial.resize(8, ' ');
            r.insert(r.end(), serial.begin(), serial.end());
            PutBe32(r, 0);
            if (identity_.shortIdentify) r.pop_back();
            break;
        }
        case 'e': {
            if (n != 7) {
                r = {'?'};
                break;
            }
            const uint32_t address = Be32(b + 1);
            const uint16_t length = Be16(b + 5);
            if (uint64_t{address} + length > kFlashSize || length > 1491) {
                r = {'e', 0x01};
                break;
            }
            r.assign(b, b + 7);
            r.insert(r.end(), flash + address, flash + address + length);
            break;
        }
        case 'g': {
            if (n != 5) {
                r = {'?'};
                break;
            }
            const uint32_t address = Be32(b + 1);
            bool failed = address >= kFlashSize;
            const uint32_t start = failed ? 0 : SectorStart(address);
            const uint32_t size = failed ? 0 : SectorSize(address);
            if (!failed && faults_.failEraseSector &&
                SectorStart(*faults_.failEraseSector) == start)
                failed = true;
            if (!failed) std::memset(flash + start, 0xFF, size);
            if (timing_.enabled)
                busyUs += size == 0x2000 ? timing_.smallEraseUs : timing_.largeEraseUs;
            Record({EventKind::Erase, command, start, size, false, failed, {}});
            r = {'g', static_cast<uint8_t>(failed ? 1 : 0)};
            break;
        }
        case 'h': {
            if (n < 7) {
                r = {'?'};
                break;
            }
            const uint32_t address = Be32(b + 1);
            const uint16_t length = Be16(b + 5);
            bool failed = n != 7u + length || uint64_t{address} + length > kFlashSize;
            bool overNonBlank = false;
            if (!failed && faults_.failProgramAt && *faults_.failProgramAt >= address &&
                *faults_.failProgramAt < address + length)
                failed = true;
            if (!failed) {
                // NOR flash: programming only clears bits; a bit that should be set but
                // is not makes the loader's verify fail.
                for (uint32_t i = 0; i < length; ++i) {
                    uint8_t& cell = flash[address + i];
                    if (cell != 0xFF) overNonBlank = true;
                    cell &= b[7 + i];
                    if (cell != b[7 + i]) failed = true;
                }
            }
            if (timing_.enabled) busyUs += timing_.programUsPerByte * length;
            Event e{EventKind::Program, command, address, length, overNonBlank, failed, {}};
            if (recordData_ && n == 7u + length) e.bytes.assign(b + 7, b + n);
            Record(std::move(e));
            r = {'h', static_cast<uint8_t>(failed ? 1 : 0)};
            PutBe32(r, address + length);
            break;
        }
        case 'q':
            Record({EventKind::Start, command, 0, 0, false, false, {}});
            r = {'q'};
            break;
        default:
            r = {'?'};
            break;
    }
    const auto shape = faults_.shapes.find(command);
    if (shape != faults_.shapes.end()) {
        if (shape->second.letter && !r.empty()) r[0] = *shape->second.letter;
        const int delta = shape->second.lengthDelta;
        if (delta > 0) r.insert(r.end(), static_cast<size_t>(delta), 0);
        if (delta < 0) r.resize(r.size() > size_t(-delta) ? r.size() - size_t(-delta) : 1);
    }
    return r;
}

void Probe::Record(Event e) {
    events_.push_back(std::move(e));
}

bool Probe::MapFlashFile(const std::string& path, std::string& error) {
    std::lock_guard lock(mutex_);
    return flash_.MapFile(path, error);
}

std::vector<uint8_t> Probe::ReadFlash(uint32_t address, uint32_t length) {
    std::lock_guard lock(mutex_);
    const uint8_t* f = flash_.data();
    return {f + address, f + address + length};
}

void Probe::WriteFlash(uint32_t address, const std::vector<uint8_t>& bytes) {
    std::lock_guard lock(mutex_);
    std::copy(bytes.begin(), bytes.end(), flash_.data() + address);
}

void Probe::ResetFlash(uint32_t loaderWords) {
    std::lock_guard lock(mutex_);
    FlashStore::FactoryState(flash_.data(), loaderWords);
}

std::vector<Event> Probe::Events() {
    std::lock_guard lock(mutex_);
    return events_;
}

void Probe::ClearEvents() {
    std::lock_guard lock(mutex_);
    events_.clear();
}

void Probe::SetIdentity(const Identity& identity) {
    std::lock_guard lock(mutex_);
    identity_ = identity;
}

void Probe::SetDeviceFaults(const DeviceFaults& faults) {
    std::lock_guard lock(mutex_);
    faults_ = faults;
}

void Probe::SetTiming(const FlashTiming& timing) {
    std::lock_guard lock(mutex_);
    timing_ = timing;
}

void Probe::SetAnswerSpeed(uint32_t speed) {
    std::lock_guard lock(mutex_);
    answerSpeed_ = speed;
}

void Probe::SetRecordData(bool on) {
    std::lock_guard lock(mutex_);
    recordData_ = on;
}

}  // namespace sim
