#include "device/FrameDispatcher.h"

#include "device/AudioSink.h"
#include "device/DeviceHost.h"
#include "device/FirmwareTransfer.h"

namespace tamberlink {

namespace {

using namespace std::chrono_literals;

constexpr int kMaxQueries = 5;
constexpr std::size_t kMinCallerDigits = 3;
constexpr std::size_t kMaxCallerDigits = 19;
constexpr std::size_t kMaxExtension = 5;
constexpr std::size_t kMaxVersionText = 9;
constexpr qsizetype kVersionLength = 5;

} // namespace

FrameDispatcher::FrameDispatcher(SerialLink& link, DeviceHost& host, FirmwareTransfer& firmware,
                                 AudioSink* audio)
    : link_(link)
    , host_(host)
    , firmware_(firmware)
    , audio_(audio) {}

void FrameDispatcher::HandleFrame(const std::uint8_t* frame, std::size_t size) {
    if (size < 4) {
        return;
    }
    const std::uint8_t command = frame[1];
    if (frame[0] == frame::kStart && HandleRecordingFrame(command)) {
        return;
    }
    StartupQueries& queries = link_.Queries();
    switch (command) {
    case frame::kCallEnded:
        if (audio_ != nullptr) {
            audio_->StopRecording(true);
        }
        host_.CloseCallPopups();
        break;
    case frame::kStatus:
        OnStatus(frame, size);
        break;
    case frame::kIncomingCall:
    case frame::kMissedCall:
    case frame::kPhoneIncomingCall:
        OnCallReport(frame, size);
        break;
    case frame::kCallState1:
    case frame::kCallState2:
        host_.CloseOutgoingCall();
        break;
    case frame::kAreaCode:
        if (auto payload = frame::ReadPayload(frame, size, 3)) {
            queries.areaCodeReplied = true;
            host_.SetAreaCode(frame::DigitsText(payload->bytes, payload->count));
        }
        break;
    case frame::kNoAreaCode:
        queries.areaCodeReplied = false;
        break;
    case frame::kExtension:
        if (auto payload = frame::ReadPayload(frame, size, 3)) {
            queries.extensionReplied = true;
            if (payload->count <= kMaxExtension) {
                host_.SetFenjiCode(frame::DigitsText(payload->bytes, payload->count));
            }
        }
        break;
    case frame::kNoExtension:
        queries.extensionReplied = false;
        break;
    case frame::kVersion:
        if (auto payload = frame::ReadPayload(frame, size, 3);
            payload && payload->count >= 1 && payload->count <= kMaxVersionText) {
            const QString text = QString::fromLatin1(reinterpret_cast<const char*>(payload->bytes),
                                                     static_cast<qsizetype>(payload->count));
            host_.SetFirmwareVersion(text.left(kVersionLength));
        }
        break;
    case frame::kUpgradeMode:
        firmware_.SendFirmware();
        break;
    case frame::kUpgradeFailed:
        firmware_.OnAttemptFailed();
        break;
    case frame::kUpgradeSucceeded:
        firmware_.OnSucceeded();
        break;
    default:
        break;
    }
}

bool FrameDispatcher::HandleRecordingFrame(std::uint8_t command) {
    switch (command) {
    case frame::kRecordingStarted:
    case frame::kRecordingRefused:
        if (audio_ != nullptr) {
            audio_->StartRecording(command == frame::kRecordingStarted);
        }
        return true;
    case frame::kRecordingStopped:
    case frame::kRecordingStoppedNoFile:
        if (audio_ != nullptr) {
            audio_->StopRecording(command == frame::kRecordingStopped);
        }
        return true;
    default:
        return false;
    }
}

void FrameDispatcher::OnStatus(const std::uint8_t* frame, std::size_t size) {
    // The flag byte is payload only when the frame has one; other values leave the flag.
    if (size >= 5 && (frame[3] == '1' || frame[3] == '0')) {
        const bool linked = frame[3] == '1';
        if (link_.SetPhoneLinked(linked)) {
            host_.OnPhoneLinkChanged(linked);
        }
    }
    RunStartupQueries();
}

// Each status frame advances every unanswered query by one attempt, five at most; the
// version query goes with the area-code query and so goes out at most four times. The frames
// are queued at once; the box takes them 50 ms apart after the acknowledgement's own pause.
void FrameDispatcher::RunStartupQueries() {
    constexpr auto kQueryGap = kFramePause + 50ms;
    StartupQueries& queries = link_.Queries();
    std::vector<OutgoingFrame> frames;
    frames.push_back({frame::Command(frame::kAcknowledge), kFramePause, {}});
    auto ask = [&](std::uint8_t command) {
        frames.push_back({frame::Command(command), kQueryGap, {}});
    };
    if (!queries.areaCodeReplied && queries.areaCodeAsked < kMaxQueries) {
        ask(frame::kAskAreaCode);
        ++queries.areaCodeAsked;
    }
    if (!queries.areaCodeReplied && queries.areaCodeAsked < kMaxQueries) {
        ask(frame::kAskVersion);
    }
    if (!queries.extensionReplied && queries.extensionAsked < kMaxQueries) {
        ask(frame::kAskExtension);
        ++queries.extensionAsked;
    }
    if (!queries.missedCallReplied && queries.missedCallAsked < kMaxQueries) {
        ask(frame::kAskMissedCall);
        ++queries.missedCallAsked;
    }
    link_.Send(std::move(frames));
}

void FrameDispatcher::OnCallReport(const std::uint8_t* frame, std::size_t size) {
    const std::uint8_t command = frame[1];
    if (command == frame::kMissedCall) {
        link_.Queries().missedCallReplied = true;
    }
    const std::size_t offset =
        command == frame::kPhoneIncomingCall ? 3 : frame::kCallerIdDigitsOffset;
    const auto payload = frame::ReadPayload(frame, size, offset);
    if (payload && payload->count == 0 && command != frame::kMissedCall) {
        host_.OnWithheldCall(command == frame::kPhoneIncomingCall);
        return;
    }
    if (!payload || payload->count < kMinCallerDigits || payload->count > kMaxCallerDigits) {
        return;
    }
    const QString number = frame::DigitsText(payload->bytes, payload->count);
    if (command == frame::kMissedCall) {
        host_.OnMissedCall(number);
    } else {
        host_.OnIncomingCall(number, command == frame::kPhoneIncomingCall);
    }
}

} // namespace tamberlink
