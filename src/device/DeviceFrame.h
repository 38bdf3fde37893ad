#pragma once

#include <QString>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace tamberlink {

using FrameBytes = std::vector<std::uint8_t>;

// The byte format spoken with the telephone box: A5, command, length of the whole frame,
// payload, 55. Frames for the phone app start with A6; audio is bracketed by A7 and 55.
namespace frame {

constexpr std::uint8_t kStart = 0xA5;
constexpr std::uint8_t kPhoneStart = 0xA6;
constexpr std::uint8_t kAudioStart = 0xA7;
constexpr std::uint8_t kEnd = 0x55;

// Received frames are at most 63 bytes; outgoing frames with text are built in 32 bytes.
constexpr std::size_t kMinFrame = 4; // start, command, length and end byte
constexpr std::size_t kMaxReceived = 63;
constexpr std::size_t kOutgoingBuffer = 32;
constexpr std::size_t kMaxRead = 62;

// PC to box.
constexpr std::uint8_t kAcknowledge = 0x83;
constexpr std::uint8_t kAskAreaCode = 0x63;
constexpr std::uint8_t kAskVersion = 0x90;
constexpr std::uint8_t kAskExtension = 0x53;
constexpr std::uint8_t kAskMissedCall = 0x31;
constexpr std::uint8_t kHangUp = 0x11;
constexpr std::uint8_t kDialLandline = 0xFF;
constexpr std::uint8_t kPhoneDial = 0x03;
constexpr std::uint8_t kSmsNumber = 0x01;
constexpr std::uint8_t kSmsContent = 0x02;
constexpr std::uint8_t kSmsMoreParts = 0x01;
constexpr std::uint8_t kSmsLastPart = 0x02;
constexpr std::uint8_t kStoreExtension = 0x50;
constexpr std::uint8_t kStoreAreaCode = 0x60;
constexpr std::uint8_t kStartRecording = 0xA0;
constexpr std::uint8_t kStopRecording = 0xA1;
constexpr std::uint8_t kAutoRecordOn = 0xA2;
constexpr std::uint8_t kAutoRecordOff = 0xA3;
constexpr std::uint8_t kRequestUpgrade = 0xB2;

// Box to PC.
constexpr std::uint8_t kStatus = 0x82;
constexpr std::uint8_t kIncomingCall = 0x30;
constexpr std::uint8_t kMissedCall = 0x32;
constexpr std::uint8_t kNoMissedCall = 0x33;
constexpr std::uint8_t kPhoneIncomingCall = 0x34;
constexpr std::uint8_t kCallState1 = 0x12;
constexpr std::uint8_t kCallState2 = 0x13;
constexpr std::uint8_t kCallEnded = 0x14;
constexpr std::uint8_t kAreaCode = 0x64;
constexpr std::uint8_t kNoAreaCode = 0x65;
constexpr std::uint8_t kExtension = 0x54;
constexpr std::uint8_t kNoExtension = 0x55;
constexpr std::uint8_t kVersion = 0x91;
constexpr std::uint8_t kRecordingStarted = 0xA0;
constexpr std::uint8_t kRecordingRefused = 0xA8;
constexpr std::uint8_t kRecordingStopped = 0xA1;
constexpr std::uint8_t kRecordingStoppedNoFile = 0xA9;
constexpr std::uint8_t kUpgradeMode = 0xB9;
constexpr std::uint8_t kUpgradeFailed = 0xB8;
constexpr std::uint8_t kUpgradeSucceeded = 0xB6;

// Incoming-call reports carry eight unused bytes before the digits.
constexpr std::size_t kCallerIdDigitsOffset = 11;

// Whether a frame from the box may carry this length byte. The frame reader and the
// recording scanner both judge a frame start by it.
constexpr bool IsFrameLength(std::uint8_t length) {
    return length >= kMinFrame && length <= kMaxReceived;
}

// A5 cmd 04 55.
FrameBytes Command(std::uint8_t command);

// A5 cmd len text 55, each character's low byte; nothing when the frame would not fit the
// outgoing buffer.
std::optional<FrameBytes> TextFrame(std::uint8_t command, const QString& text);

// A5 FF len ('0' + prefixCount) text 55; nothing when it would not fit.
std::optional<FrameBytes> LandlineDial(int prefixCount, const QString& text);

// A6 03 len number 55; nothing when it would not fit.
std::optional<FrameBytes> PhoneDial(const QString& number);

// The SMS text parts of `kind` for `text`: five UTF-16 units per part, each as four
// lower-case hex digits; A6 kind part len payload, without an end byte. Empty text, no parts.
std::vector<FrameBytes> SmsParts(std::uint8_t kind, const QString& text);

// The decimal text of the low four bits of each byte.
QString DigitsText(const std::uint8_t* bytes, std::size_t count);

// The payload of a received frame: from `offset`, as many bytes as the length byte says
// (length - offset - 1). Nothing when that count is negative or runs past the bytes
// received, whose last one is the end byte.
struct Payload {
    const std::uint8_t* bytes;
    std::size_t count;
};
std::optional<Payload> ReadPayload(const std::uint8_t* frame, std::size_t size, std::size_t offset);

} // namespace frame
} // namespace tamberlink
