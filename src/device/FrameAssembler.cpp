#include "device/FrameAssembler.h"

namespace tamberlink {

bool FrameAssembler::Push(std::uint8_t byte) {
    constexpr std::size_t kMaxStored = frame::kMaxRead;
    if (byte == frame::kStart && (size_ == 0 || StartEndsOpenFrame())) {
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

bool FrameAssembler::StartEndsOpenFrame() const {
    if (size_ < 2) {
        return false; // the A5 would be the command byte
    }
    if (size_ == 2) {
        return true; // the A5 would be the length byte, which no frame has
    }
    const std::uint8_t length = buffer_[2];
    return !frame::IsFrameLength(length) || size_ + 1 >= length;
}

} // namespace tamberlink
