#include "device/DeviceFrame.h"

#include <algorithm>

namespace tamberlink::frame {

FrameBytes Command(std::uint8_t command) {
    return {kStart, command, 0x04, kEnd};
}

std::optional<FrameBytes> TextFrame(std::uint8_t command, const QString& text) {
    const std::size_t size = static_cast<std::size_t>(text.size()) + 4;
    if (size > kOutgoingBuffer) {
        return std::nullopt;
    }
    FrameBytes out{kStart, command, static_cast<std::uint8_t>(size)};
    for (QChar c : text) {
        out.push_back(static_cast<std::uint8_t>(c.unicode() & 0xFF));
    }
    out.push_back(kEnd);
    return out;
}

std::optional<FrameBytes> LandlineDial(int prefixCount, const QString& text) {
    const std::size_t size = static_cast<std::size_t>(text.size()) + 5;
    if (size > kOutgoingBuffer || prefixCount < 0 || prefixCount > 9) {
        return std::nullopt;
    }
    FrameBytes out{kStart, kDialLandline, static_cast<std::uint8_t>(size),
                   static_cast<std::uint8_t>('0' + prefixCount)};
    for (QChar c : text) {
        out.push_back(static_cast<std::uint8_t>(c.unicode() & 0xFF));
    }
    out.push_back(kEnd);
    return out;
}

std::optional<FrameBytes> PhoneDial(const QString& number) {
    auto out = TextFrame(kPhoneDial, number);
    if (out) {
        (*out)[0] = kPhoneStart;
    }
    return out;
}

std::vector<FrameBytes> SmsParts(std::uint8_t kind, const QString& text) {
    constexpr int kUnitsPerPart = 5;
    static const char kHex[] = "0123456789abcdef";
    std::vector<FrameBytes> parts;
    for (int at = 0; at < text.size(); at += kUnitsPerPart) {
        const int units = std::min<int>(kUnitsPerPart, static_cast<int>(text.size()) - at);
        const bool last = at + units >= text.size();
        FrameBytes part{kPhoneStart, kind, last ? kSmsLastPart : kSmsMoreParts,
                        static_cast<std::uint8_t>(4 + units * 4)};
        for (int i = 0; i < units; ++i) {
            const char16_t unit = text[at + i].unicode();
            for (int shift = 12; shift >= 0; shift -= 4) {
                part.push_back(static_cast<std::uint8_t>(kHex[(unit >> shift) & 0xF]));
            }
        }
        parts.push_back(std::move(part));
    }
    return parts;
}

QString DigitsText(const std::uint8_t* bytes, std::size_t count) {
    QString text;
    text.reserve(static_cast<qsizetype>(count * 2));
    for (std::size_t i = 0; i < count; ++i) {
        text += QString::number(bytes[i] & 0x0F);
    }
    return text;
}

std::optional<Payload> ReadPayload(const std::uint8_t* frame, std::size_t size,
                                   std::size_t offset) {
    if (size < 3) {
        return std::nullopt;
    }
    const long count = static_cast<long>(frame[2]) - static_cast<long>(offset) - 1;
    if (count < 0 || offset + static_cast<std::size_t>(count) + 1 > size) {
        return std::nullopt;
    }
    return Payload{frame + offset, static_cast<std::size_t>(count)};
}

} // namespace tamberlink::frame
