#pragma once

#include "device/DeviceFrame.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace tamberlink {

// While a call is recorded the box interleaves 8-bit samples (bracketed by A7 and 55) with
// its frames. Each read chunk is scanned alone: an A5 whose length byte points at a 55 is a
// frame, every other byte but the A7 and 55 markers is a sample. A frame cut by the end of
// a chunk is kept and scanned again with the next chunk, so that a stop command split
// across two reads is still seen.
class RecordingChunkScanner {
public:
    // `onFrame(const std::uint8_t*, std::size_t)` gets each frame in order; afterwards
    // `onSamples(const std::uint8_t*, std::size_t)` gets the chunk's samples, if any.
    template <typename OnFrame, typename OnSamples>
    void Scan(const std::uint8_t* chunk, std::size_t count, OnFrame&& onFrame,
              OnSamples&& onSamples) {
        const std::size_t size = Load(chunk, count);
        std::size_t sampleCount = 0;
        std::size_t p = 0;
        while (p < size) {
            const std::size_t frameSize = FrameAt(p, size);
            if (frameSize == kCutFrame) {
                break;
            }
            if (frameSize > 0) {
                onFrame(data_.data() + p, frameSize);
                p += frameSize;
                continue;
            }
            const std::uint8_t byte = data_[p];
            if (byte != frame::kAudioStart && byte != frame::kEnd) {
                samples_[sampleCount++] = byte;
            }
            ++p;
        }
        Keep(p, size);
        if (sampleCount > 0) {
            onSamples(samples_.data(), sampleCount);
        }
    }

    // The bytes kept from the last chunk (the start of a cut frame), handed back when
    // recording ends so that normal assembly sees them; the scanner is empty afterwards.
    template <typename OnBytes>
    void Flush(OnBytes&& onBytes) {
        if (kept_ > 0) {
            onBytes(data_.data(), kept_);
        }
        kept_ = 0;
    }

private:
    static constexpr std::size_t kCutFrame = static_cast<std::size_t>(-1);
    static constexpr std::size_t kCapacity = 2 * frame::kMaxRead;

    // Puts the kept bytes and the new chunk together; returns their size.
    std::size_t Load(const std::uint8_t* chunk, std::size_t count);
    // The size of the frame starting at p, 0 when there is none, kCutFrame when one may
    // start there but runs past the data.
    std::size_t FrameAt(std::size_t p, std::size_t size) const;
    // Keeps the bytes from p on for the next chunk.
    void Keep(std::size_t p, std::size_t size);

    std::array<std::uint8_t, kCapacity> data_{};
    std::array<std::uint8_t, kCapacity> samples_{};
    std::size_t kept_ = 0;
};

} // namespace tamberlink
