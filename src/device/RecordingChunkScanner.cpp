#include "device/RecordingChunkScanner.h"

#include <algorithm>
#include <cstring>

namespace tamberlink {

std::size_t RecordingChunkScanner::Load(const std::uint8_t* chunk, std::size_t count) {
    count = std::min(count, kCapacity - kept_);
    std::memcpy(data_.data() + kept_, chunk, count);
    const std::size_t size = kept_ + count;
    kept_ = 0;
    return size;
}

std::size_t RecordingChunkScanner::FrameAt(std::size_t p, std::size_t size) const {
    if (data_[p] != frame::kStart) {
        return 0;
    }
    if (p + 2 >= size) {
        return kCutFrame;
    }
    // A length no frame can have makes the A5 a sample.
    if (!frame::IsFrameLength(data_[p + 2])) {
        return 0;
    }
    const std::size_t length = data_[p + 2];
    if (p + length > size) {
        return kCutFrame;
    }
    return data_[p + length - 1] == frame::kEnd ? length : 0;
}

void RecordingChunkScanner::Keep(std::size_t p, std::size_t size) {
    kept_ = size - p;
    std::memmove(data_.data(), data_.data() + p, kept_);
}

} // namespace tamberlink
