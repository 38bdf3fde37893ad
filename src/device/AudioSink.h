#pragma once

#include <cstddef>
#include <cstdint>

namespace tamberlink {

// The recorder as the device link sees it. Every call comes from the serial listener thread.
class AudioSink {
public:
    virtual ~AudioSink() = default;

    // Chooses how the listener reads each chunk: samples and frames, or frames only.
    virtual bool IsRecording() const = 0;

    // The samples of one read chunk: unsigned 8-bit, one channel, 32000 per second.
    virtual void EncodeSamples(const std::uint8_t* samples, std::size_t count) = 0;

    // The box started a recording (A0), or refused or ended it before it began (A8).
    virtual void StartRecording(bool started) = 0;

    // The box stopped recording: close is true for A1 and at the end of a call, false for
    // A9, which stops without a file.
    virtual void StopRecording(bool close) = 0;
};

} // namespace tamberlink
