#pragma once

#include <QString>

#include <array>
#include <cstddef>
#include <cstdint>

struct lame_global_struct;

namespace tamberlink {

// One MP3 file written from 16-bit mono samples at 32000 Hz: 64 kbit/s constant bit rate,
// one channel. Its first frame carries the tag that tells players the exact length, so the
// file is complete only once Close has run. All buffers are fixed; encoding allocates nothing.
class Mp3Writer {
public:
    static constexpr int kSampleRate = 32000;
    static constexpr int kBitrateKbps = 64;
    // The most samples one Encode call takes.
    static constexpr std::size_t kMaxSamples = 4096;

    Mp3Writer() = default;
    ~Mp3Writer();
    Mp3Writer(const Mp3Writer&) = delete;
    Mp3Writer& operator=(const Mp3Writer&) = delete;

    // Creates (or empties) the file and sets up a fresh encoder. False, with nothing left
    // open, when either fails.
    bool Open(const QString& path);
    bool IsOpen() const { return fd_ >= 0; }

    // Encodes up to kMaxSamples samples and writes what the encoder hands back. Once a write
    // has failed (a full disk) nothing more is written: the file keeps what it has, and this
    // returns false.
    bool Encode(const std::int16_t* samples, std::size_t count);

    // Writes the encoder's last frames and the length tag, then closes the file and releases
    // the encoder. False when part of that could not be written; the file is closed anyway.
    bool Close();

    bool WriteFailed() const { return writeFailed_; }

private:
    bool Write(const unsigned char* bytes, std::size_t count);
    void RewriteTagFrame();
    void ReportWriteFailure(int error);

    // LAME's worst case for kMaxSamples samples, which also covers the 7200 bytes a flush
    // may return.
    static constexpr std::size_t kOutputSize = kMaxSamples * 5 / 4 + 7200;

    lame_global_struct* lame_ = nullptr;
    int fd_ = -1;
    bool writeFailed_ = false;
    QString path_;
    std::array<unsigned char, kOutputSize> output_{};
};

} // namespace tamberlink
