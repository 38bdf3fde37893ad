#pragma once

#include "device/FrameAssembler.h"
#include "device/RecordingChunkScanner.h"

#include <cstddef>
#include <cstdint>

namespace tamberlink {

// Turns the chunks read from the box into frames and, while a call is recorded, samples.
// Outside a recording frames are assembled across reads; during one each chunk is scanned
// for frames and samples. What one mode leaves unfinished is handed to the other when the
// mode changes, so a frame cut by the change is still seen.
class StreamReader {
public:
    // `onFrame(const std::uint8_t*, std::size_t)` gets each frame; while `recording`,
    // `onSamples(const std::uint8_t*, std::size_t)` gets the chunk's samples after its frames.
    template <typename OnFrame, typename OnSamples>
    void Read(const std::uint8_t* chunk, std::size_t count, bool recording, OnFrame&& onFrame,
              OnSamples&& onSamples) {
        if (recording) {
            if (!wasRecording_) {
                assembler_.Reset();
            }
            scanner_.Scan(chunk, count, onFrame, onSamples);
        } else {
            if (wasRecording_) {
                scanner_.Flush([&](const std::uint8_t* kept, std::size_t n) {
                    assembler_.Feed(kept, n, onFrame);
                });
            }
            assembler_.Feed(chunk, count, onFrame);
        }
        wasRecording_ = recording;
    }

private:
    FrameAssembler assembler_;
    RecordingChunkScanner scanner_;
    bool wasRecording_ = false;
};

} // namespace tamberlink
