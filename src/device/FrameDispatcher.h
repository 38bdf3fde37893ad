#pragma once

#include "device/SerialLink.h"

#include <cstddef>
#include <cstdint>

namespace tamberlink {

class AudioSink;
class DeviceHost;
class FirmwareTransfer;

// Acts on each frame from the box, on the listener thread: link state, the start-up query
// exchange, call reports, the box's stored codes, recording and firmware upgrade frames.
// Payloads are read only as far as the frame's bytes go; a frame whose length byte does
// not fit them is ignored.
class FrameDispatcher : public FrameHandler {
public:
    // `audio` may be null: recording frames are then ignored.
    FrameDispatcher(SerialLink& link, DeviceHost& host, FirmwareTransfer& firmware,
                    AudioSink* audio);

    void HandleFrame(const std::uint8_t* frame, std::size_t size) override;

private:
    bool HandleRecordingFrame(std::uint8_t command);
    void OnStatus(const std::uint8_t* frame, std::size_t size);
    void RunStartupQueries();
    void OnCallReport(const std::uint8_t* frame, std::size_t size);

    SerialLink& link_;
    DeviceHost& host_;
    FirmwareTransfer& firmware_;
    AudioSink* audio_;
};

} // namespace tamberlink
