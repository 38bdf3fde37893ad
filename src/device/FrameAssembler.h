#pragma once

#include "device/DeviceFrame.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace tamberlink {

// Cuts the box's byte stream into frames across reads. A frame starts at A5 and ends at the
// first 55 after its third byte, whatever its length byte says; bytes outside a frame are
// dropped, and so is a frame that reaches 62 bytes without an end byte. Line noise must not
// swallow the frame after it: an A5 that arrives where the open frame can no longer become
// valid (its length byte, or the end byte its length byte points at) starts a new frame.
class FrameAssembler {
public:
    // Feeds one read's bytes; `onFrame(const std::uint8_t*, std::size_t)` gets each frame
    // completed by them.
    template <typename OnFrame>
    void Feed(const std::uint8_t* bytes, std::size_t count, OnFrame&& onFrame) {
        for (std::size_t k = 0; k < count; ++k) {
            if (Push(bytes[k])) {
                onFrame(buffer_.data(), size_);
                size_ = 0;
            }
        }
    }

    void Reset() { size_ = 0; }
    std::size_t Pending() const { return size_; }

private:
    // Stores one byte; true when it completed a frame.
    bool Push(std::uint8_t byte);
    // Whether an A5 stored next would leave the open frame without a valid length byte or
    // without its end byte where that length puts it.
    bool StartEndsOpenFrame() const;

    std::array<std::uint8_t, frame::kMaxReceived> buffer_{};
    std::size_t size_ = 0;
};

} // namespace tamberlink
