// Feeds arbitrary bytes from the box through the listener's path: chunks of at most 62 bytes
// (their sizes drawn from the input's first byte), frame assembly or, while the box records,
// the recording scanner, then the frame dispatcher with recording switched by the frames
// themselves. Traps when a frame, a sample or a call report breaks what the rest of the
// program relies on.
#include "FuzzSupport.h"
#include "device/AudioSink.h"
#include "device/DeviceFrame.h"
#include "device/DeviceHost.h"
#include "device/FirmwareTransfer.h"
#include "device/FrameDispatcher.h"
#include "device/SerialLink.h"
#include "device/StreamReader.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace {

using namespace tamberlink;
using fuzz::Check;

// Each byte of a number gives the decimal text of its low four bits: one or two digits.
bool IsDigits(const QString& text, qsizetype least, qsizetype most) {
    return text.size() >= least && text.size() <= most &&
           std::all_of(text.begin(), text.end(), [](QChar c) { return c.isDigit(); });
}

class Host : public DeviceHost {
public:
    void OnIncomingCall(const QString& number, bool) override { Check(IsDigits(number, 3, 38)); }
    void OnMissedCall(const QString& number) override { Check(IsDigits(number, 3, 38)); }
    void CloseOutgoingCall() override {}
    void CloseCallPopups() override {}
    void SetAreaCode(const QString& code) override { Check(IsDigits(code, 0, 118)); }
    void SetFenjiCode(const QString& code) override { Check(IsDigits(code, 0, 10)); }
    void SetFirmwareVersion(const QString& version) override {
        Check(version.size() >= 1 && version.size() <= 5);
    }
    void ShowUpgradeStatus(const QString&, const QString&) override {}
    void ReportPortsDenied(const std::vector<std::string>&) override {}
};

class Audio : public AudioSink {
public:
    bool IsRecording() const override { return recording_; }
    void EncodeSamples(const std::uint8_t*, std::size_t) override {}
    void StartRecording(bool started) override { recording_ = started; }
    void StopRecording(bool) override { recording_ = false; }

private:
    bool recording_ = false;
};

// A frame as the assembler cuts it: A5, then up to its first 55 after the third byte. An A5
// inside it is payload only where the length byte still allows the frame to end later.
void CheckAssembled(const std::uint8_t* frame, std::size_t size) {
    Check(size >= frame::kMinFrame && size <= frame::kMaxReceived);
    Check(frame[0] == frame::kStart && frame[size - 1] == frame::kEnd);
    for (std::size_t i = 3; i + 1 < size; ++i) {
        Check(frame[i] != frame::kEnd);
    }
    Check(frame[2] != frame::kStart);
    for (std::size_t i = 3; i < size; ++i) {
        if (frame[i] == frame::kStart) {
            Check(frame::IsFrameLength(frame[2]) && i + 1 < frame[2]);
        }
    }
}

// A frame as the scanner finds it: exactly as long as its length byte says.
void CheckScanned(const std::uint8_t* frame, std::size_t size) {
    Check(frame::IsFrameLength(static_cast<std::uint8_t>(size)) && frame[2] == size);
    Check(frame[0] == frame::kStart && frame[size - 1] == frame::kEnd);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    // Not started: nothing is written, and every reply the dispatcher sends is refused.
    static SerialLink link;
    Host host;
    Audio audio;
    FirmwareTransfer firmware(link, host);
    FrameDispatcher dispatcher(link, host, firmware, &audio);
    StreamReader reader;

    std::uint32_t random = data[0];
    std::size_t at = 1;
    while (at < size) {
        random = random * 1103515245u + 12345u;
        const std::size_t count =
            std::min<std::size_t>(1 + (random >> 16) % frame::kMaxRead, size - at);
        const bool recording = audio.IsRecording();
        std::size_t sampleCount = 0;
        reader.Read(
            data + at, count, recording,
            [&](const std::uint8_t* frame, std::size_t frameSize) {
                if (recording) {
                    CheckScanned(frame, frameSize);
                } else {
                    CheckAssembled(frame, frameSize);
                }
                dispatcher.HandleFrame(frame, frameSize);
            },
            [&](const std::uint8_t* samples, std::size_t n) {
                Check(recording && n > 0 && n <= 2 * frame::kMaxRead);
                for (std::size_t i = 0; i < n; ++i) {
                    Check(samples[i] != frame::kAudioStart && samples[i] != frame::kEnd);
                }
                sampleCount += n;
            });
        Check(sampleCount <= 2 * frame::kMaxRead);
        at += count;
    }
    return 0;
}
