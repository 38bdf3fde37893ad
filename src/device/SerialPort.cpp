#include "device/SerialPort.h"

#include "device/DeviceLog.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace tamberlink {

namespace {

bool Configure(int fd) {
    termios tio{};
    if (tcgetattr(fd, &tio) != 0) {
        return false;
    }
    cfmakeraw(&tio);
    tio.c_iflag &= ~(IXON | IXOFF | IXANY);
    tio.c_cflag &= ~(CSIZE | PARENB | PARODD);
    tio.c_cflag |= CS8 | CSTOPB | CLOCAL | CREAD;
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    if (cfsetispeed(&tio, B4800) != 0 || cfsetospeed(&tio, B4800) != 0) {
        return false;
    }
    if (tcsetattr(fd, TCSANOW, &tio) != 0) {
        return false;
    }
    return tcflush(fd, TCIOFLUSH) == 0;
}

} // namespace

std::unique_ptr<SerialPort> SerialPort::Open(const std::string& path, int* error) {
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int reason = errno;
        qCDebug(lcSerial, "cannot open %s: %s", path.c_str(), strerror(reason));
        if (error != nullptr) {
            *error = reason;
        }
        return nullptr;
    }
    // Nobody else may use the box's port while it is ours.
    if (ioctl(fd, TIOCEXCL) != 0 || !Configure(fd)) {
        const int reason = errno;
        qCDebug(lcSerial, "cannot set up %s: %s", path.c_str(), strerror(reason));
        ::close(fd);
        if (error != nullptr) {
            *error = reason;
        }
        return nullptr;
    }
    return std::unique_ptr<SerialPort>(new SerialPort(path, fd));
}

SerialPort::SerialPort(std::string path, int fd)
    : path_(std::move(path))
    , fd_(fd) {}

SerialPort::~SerialPort() {
    ::close(fd_);
}

long SerialPort::Read(std::uint8_t* buffer, std::size_t capacity) {
    for (;;) {
        const ssize_t n = ::read(fd_, buffer, capacity);
        if (n > 0) {
            return static_cast<long>(n);
        }
        if (n == 0) {
            // A tty in raw mode reads 0 only when the other end has gone.
            return -1;
        }
        if (errno == EINTR) {
            continue;
        }
        return errno == EAGAIN ? 0 : -1;
    }
}

bool SerialPort::Write(const std::uint8_t* bytes, std::size_t count, int cancelFd) {
    using Clock = std::chrono::steady_clock;
    const auto deadline =
        Clock::now() + std::chrono::milliseconds(500 + 100 * static_cast<long>(count));
    std::size_t done = 0;
    while (done < count) {
        const ssize_t n = ::write(fd_, bytes + done, count - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && errno != EAGAIN) {
            qCDebug(lcSerial, "write to %s failed: %s", path_.c_str(), strerror(errno));
            return false;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            qCDebug(lcSerial, "write to %s timed out", path_.c_str());
            return false;
        }
        pollfd fds[2] = {{fd_, POLLOUT, 0}, {cancelFd, POLLIN, 0}};
        if (::poll(fds, 2, static_cast<int>(left.count())) < 0 && errno != EINTR) {
            return false;
        }
        if (fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) {
            return false;
        }
        if (fds[1].revents != 0) {
            qCDebug(lcSerial, "write to %s given up", path_.c_str());
            return false;
        }
    }
    return true;
}

} // namespace tamberlink
