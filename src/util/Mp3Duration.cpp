#include "util/Mp3Duration.h"

#include <QByteArray>
#include <QFile>

#include <cstdint>

namespace tamberlink {

namespace {

struct FrameHeader {
    int length = 0;  // bytes, header included
    int samples = 0; // per channel
    int sampleRate = 0;
    int sideInfo = 0; // bytes of side information after the header (Layer III)
};

// Bit rates in kbit/s by index: MPEG-1 Layer III, then MPEG-2/2.5 Layer III.
constexpr int kBitrates[2][16] = {
    {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0},
    {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},
};
constexpr int kSampleRates[3] = {44100, 48000, 32000};

std::optional<FrameHeader> ReadHeader(const unsigned char* p) {
    if (p[0] != 0xFF || (p[1] & 0xE0) != 0xE0) {
        return std::nullopt;
    }
    const int version = (p[1] >> 3) & 3; // 0: 2.5, 2: 2, 3: 1
    const int layer = (p[1] >> 1) & 3;   // 1: Layer III
    const int bitrateIndex = p[2] >> 4;
    const int rateIndex = (p[2] >> 2) & 3;
    if (version == 1 || layer != 1 || bitrateIndex == 0 || bitrateIndex == 15 || rateIndex == 3) {
        return std::nullopt;
    }
    const bool mpeg1 = version == 3;
    const bool mono = (p[3] >> 6) == 3;
    FrameHeader header;
    header.sampleRate = kSampleRates[rateIndex] >> (mpeg1 ? 0 : version == 2 ? 1 : 2);
    header.samples = mpeg1 ? 1152 : 576;
    const int bitrate = kBitrates[mpeg1 ? 0 : 1][bitrateIndex] * 1000;
    const int padding = (p[2] >> 1) & 1;
    header.length = header.samples / 8 * bitrate / header.sampleRate + padding;
    header.sideInfo = mpeg1 ? (mono ? 17 : 32) : (mono ? 9 : 17);
    return header;
}

// Whether the frame at `p` (of `size` bytes) holds a Xing or Info length tag, not audio.
bool IsTagFrame(const QByteArray& data, qsizetype offset, const FrameHeader& header) {
    const qsizetype tag = offset + 4 + header.sideInfo;
    if (tag + 4 > data.size()) {
        return false;
    }
    const QByteArray word = data.mid(tag, 4);
    return word == "Xing" || word == "Info";
}

qsizetype SkipId3(const QByteArray& data) {
    if (data.size() < 10 || !data.startsWith("ID3")) {
        return 0;
    }
    const auto* p = reinterpret_cast<const unsigned char*>(data.constData());
    const qsizetype size = (qsizetype(p[6] & 0x7F) << 21) | (qsizetype(p[7] & 0x7F) << 14) |
                           (qsizetype(p[8] & 0x7F) << 7) | qsizetype(p[9] & 0x7F);
    const bool footer = (p[5] & 0x10) != 0;
    return 10 + size + (footer ? 10 : 0);
}

} // namespace

std::optional<int> Mp3DurationSeconds(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    const QByteArray data = file.readAll();
    const auto* bytes = reinterpret_cast<const unsigned char*>(data.constData());
    qsizetype offset = SkipId3(data);
    // Seconds as a sum of samples over each frame's rate, kept exact in microseconds.
    std::int64_t micros = 0;
    int frames = 0;
    bool first = true;
    while (offset + 4 <= data.size()) {
        const std::optional<FrameHeader> header = ReadHeader(bytes + offset);
        if (!header || header->length < 4) {
            // Junk between frames (or a trailing tag): look for the next frame's sync.
            ++offset;
            continue;
        }
        if (!(first && IsTagFrame(data, offset, *header))) {
            micros += std::int64_t(header->samples) * 1000000 / header->sampleRate;
            ++frames;
        }
        first = false;
        offset += header->length;
    }
    if (frames == 0) {
        return std::nullopt;
    }
    return int((micros + 500000) / 1000000);
}

} // namespace tamberlink
