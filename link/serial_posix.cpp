// Serial devices through POSIX termios.
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

#include "link/link_private.h"

namespace {

using Clock = std::chrono::steady_clock;

speed_t SpeedConstant(uint32_t bps) {
    switch (bps) {
        case 9600:
            return B9600;
        case 19200:
            return B19200;
        case 38400:
            return B38400;
        case 57600:
            return B57600;
        case 115200:
            return B115200;
        default:
            return B0;
    }
}

int RemainingMs(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

class PosixSerialPort final : public SerialPort {
public:
    explicit PosixSerialPort(int fd) : fd_(fd) {}
    ~PosixSerialPort() override {
        // Lift the exclusive claim, or the next open of the device is refused.
        ioctl(fd_, TIOCNXCL);
        close(fd_);
    }

    bool SetSpeed(uint32_t bps) override {
        const speed_t constant = SpeedConstant(bps);
        termios tio{};
        if (constant == B0 || tcgetattr(fd_, &tio) != 0) return false;
        cfsetispeed(&tio, constant);
        cfsetospeed(&tio, constant);
        return tcsetattr(fd_, TCSANOW, &tio) == 0;
    }

    ResultCode ReadByte(uint8_t& byte, uint32_t limitMs) override {
        if (pos_ == len_) {
            const ResultCode rc = Fill(limitMs);
            if (rc != kOk) return rc;
        }
        byte = buffer_[pos_++];
        return kOk;
    }

    ResultCode Write(const uint8_t* data, size_t n, uint32_t limitMs) override {
        const auto deadline = Clock::now() + std::chrono::milliseconds(limitMs);
        size_t done = 0;
        while (done < n) {
            const ssize_t w = write(fd_, data + done, n - done);
            if (w > 0) {
                done += static_cast<size_t>(w);
                continue;
            }
            if (w < 0 && errno != EAGAIN && errno != EINTR) return kSerialWriteFailed;
            pollfd p{fd_, POLLOUT, 0};
            const int remaining = RemainingMs(deadline);
            if (remaining == 0) return kSerialWriteFailed;
            if (poll(&p, 1, remaining) < 0 && errno != EINTR) return kSerialWriteFailed;
            if (p.revents & (POLLERR | POLLHUP | POLLNVAL)) return kSerialWriteFailed;
        }
        return kOk;
    }

private:
    ResultCode Fill(uint32_t limitMs) {
        const auto deadline = Clock::now() + std::chrono::milliseconds(limitMs);
        while (true) {
            const ssize_t n = read(fd_, buffer_, sizeof buffer_);
            if (n > 0) {
                pos_ = 0;
                len_ = static_cast<size_t>(n);
                return kOk;
            }
            // 0 bytes from a tty in non-blocking raw mode means nothing there yet; errors
            // other than "try again" mean the device is gone (a closed pseudo-terminal
            // master gives EIO).
            if (n < 0 && errno != EAGAIN && errno != EINTR) return kSerialLineError;
            const int remaining = RemainingMs(deadline);
            if (remaining == 0) return kSerialTimeout;
            pollfd p{fd_, POLLIN, 0};
            const int ready = poll(&p, 1, remaining);
            if (ready < 0 && errno != EINTR) return kSerialLineError;
            if (ready > 0 && !(p.revents & POLLIN) && (p.revents & (POLLERR | POLLHUP | POLLNVAL)))
                return kSerialLineError;
        }
    }

    int fd_;
    uint8_t buffer_[64];
    size_t pos_ = 0;
    size_t len_ = 0;
};

bool Configure(int fd) {
    termios tio{};
    if (tcgetattr(fd, &tio) != 0) return false;
    // Turn off every termios nicety: a raw 8N1 channel without flow control.
    cfmakeraw(&tio);
    tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY | INPCK | ISTRIP | PARMRK);
    tio.c_iflag |= IGNBRK;
    tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS | HUPCL);
    tio.c_cflag |= CS8 | CLOCAL | CREAD;
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    cfsetispeed(&tio, B9600);
    cfsetospeed(&tio, B9600);
    if (tcsetattr(fd, TCSANOW, &tio) != 0) return false;
    int lines = TIOCM_DTR | TIOCM_RTS;
    ioctl(fd, TIOCMBIC, &lines);  // pseudo-terminals have no modem lines; that is fine
    tcflush(fd, TCIOFLUSH);
    return true;
}

}  // namespace

std::unique_ptr<SerialPort> OpenSerialDevice(const std::string& path, int& error,
                                             std::string& errorText) {
    const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error = errno;
        errorText = std::strerror(error);
        return nullptr;
    }
    // The advisory lock keeps out cooperating programs, TIOCEXCL everybody else but root.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0 || ioctl(fd, TIOCEXCL) != 0) {
        error = errno == EWOULDBLOCK ? EBUSY : errno;
        errorText = std::strerror(error);
        close(fd);
        return nullptr;
    }
    if (!Configure(fd)) {
        error = errno;
        errorText = std::strerror(error);
        ioctl(fd, TIOCNXCL);
        close(fd);
        return nullptr;
    }
    return std::make_unique<PosixSerialPort>(fd);
}
