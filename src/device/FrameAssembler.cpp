#include "device/FrameAssembler.h"

namespace tamberlink {

bool FrameAssembler::Push(std::uint8_t byte) {
    constexpr std::size_t kMaxStored = frame::kMaxRead;
    if (byte == frame::kStart && size_ == 0) {
        buffer_[0] = byte;
        size_ = 1;
        return false;
    }
    if (byte == frame::kEnd && size_ > 2) {
        buffer_[size_++] = byte;
        return true;
    }
    if (size_ > 0 && size_ < kMaxStored) {
        buffer_[size_++] = byte;
        return false;
    }
    size_ = 0;
    return false;
}

} // namespace tamberlink
