#pragma once

#include "device/DeviceFrame.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace tamberlink {

// Cuts the box's byte stream into frames across reads. A frame starts at A5 and ends at the
// first 55 after its third byte, whatever its length byte says; bytes outside a frame are
// dropped, and so is a frame that reaches 62 bytes without an end byte.
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

    std::array<std::uint8_t, frame::kMaxReceived> buffer_{};
    std::size_t size_ = 0;
};

} // namespace tamberlink
