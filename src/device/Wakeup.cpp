#include "device/Wakeup.h"

#include <cstdint>
#include <sys/eventfd.h>
#include <unistd.h>

namespace tamberlink {

Wakeup::Wakeup()
    : fd_(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

Wakeup::~Wakeup() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

void Wakeup::Signal() {
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(fd_, &one, sizeof one);
}

void Wakeup::Clear() {
    std::uint64_t value = 0;
    [[maybe_unused]] const ssize_t n = ::read(fd_, &value, sizeof value);
}

} // namespace tamberlink
