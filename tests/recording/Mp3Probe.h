#pragma once

#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>

namespace tamberlink::test {

inline bool HaveProgram(const char* name) {
    return !QStandardPaths::findExecutable(QString::fromLatin1(name)).isEmpty();
}

// Standard output of a program; nothing when it cannot run or fails.
inline std::optional<QByteArray> RunProgram(const QString& program, const QStringList& args) {
    QProcess process;
    process.start(program, args);
    if (!process.waitForFinished(60000) || process.exitCode() != 0) {
        return std::nullopt;
    }
    return process.readAllStandardOutput();
}

struct Mp3Info {
    QByteArray stream; // "codec,sample rate,channels,bit rate", e.g. "mp3,32000,1,64000"
    double duration = -1;
};

// What ffprobe reads from the file.
inline Mp3Info ProbeMp3(const QString& path) {
    const QList<QByteArray> lines =
        RunProgram(QStringLiteral("ffprobe"),
                   {"-v", "error", "-select_streams", "a:0", "-show_entries",
                    "stream=codec_name,sample_rate,channels,bit_rate:format=duration", "-of",
                    "csv=p=0", path})
            .value_or(QByteArray())
            .split('\n');
    if (lines.size() < 2) {
        return {};
    }
    return {lines[0].trimmed(), lines[1].trimmed().toDouble()};
}

// The file decoded by ffmpeg to 16-bit mono samples at 32000 Hz; empty when it does not
// decode.
inline std::vector<std::int16_t> DecodeMp3(const QString& path) {
    const QByteArray out =
        RunProgram(QStringLiteral("ffmpeg"), {"-v", "error", "-nostdin", "-i", path, "-f", "s16le",
                                              "-ac", "1", "-ar", "32000", "-"})
            .value_or(QByteArray());
    std::vector<std::int16_t> samples(static_cast<std::size_t>(out.size()) / 2);
    std::memcpy(samples.data(), out.constData(), samples.size() * 2);
    return samples;
}

// Goertzel power of one frequency over the samples.
inline double ToneEnergy(const std::vector<std::int16_t>& samples, double frequency) {
    const double coefficient = 2 * std::cos(2 * M_PI * frequency / 32000);
    double s1 = 0;
    double s2 = 0;
    for (const std::int16_t sample : samples) {
        const double s0 = sample + coefficient * s1 - s2;
        s2 = s1;
        s1 = s0;
    }
    return s1 * s1 + s2 * s2 - coefficient * s1 * s2;
}

// The frequency, in 10 Hz steps from 50 Hz to 8 kHz, where the samples are loudest.
inline double PeakFrequency(const std::vector<std::int16_t>& samples) {
    double best = 0;
    double bestEnergy = -1;
    for (double f = 50; f <= 8000; f += 10) {
        const double energy = ToneEnergy(samples, f);
        if (energy > bestEnergy) {
            bestEnergy = energy;
            best = f;
        }
    }
    return best;
}

// Unsigned 8-bit samples of a sine tone, 32000 a second, as the box sends them.
inline std::vector<std::uint8_t> ToneBytes(double frequency, double seconds) {
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(seconds * 32000));
    for (std::size_t n = 0; n < bytes.size(); ++n) {
        bytes[n] = static_cast<std::uint8_t>(
            128 + std::lround(96 * std::sin(2 * M_PI * frequency * double(n) / 32000)));
    }
    return bytes;
}

} // namespace tamberlink::test
