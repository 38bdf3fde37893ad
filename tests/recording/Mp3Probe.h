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
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        return std::nullopt;
    }
    return process.readAllStandardOutput();
}

struct Mp3Info {
    int sampleRate = 0;
    int channels = 0;
    int bitRate = 0;
    double duration = -1;
};

// What ffprobe reads from the file's first audio stream.
inline std::optional<Mp3Info> ProbeMp3(const QString& path) {
    const auto out = RunProgram(QStringLiteral("ffprobe"),
                                {"-v", "error", "-select_streams", "a:0", "-show_entries",
                                 "stream=codec_name,sample_rate,channels,bit_rate:format=duration",
                                 "-of", "default=noprint_wrappers=1", path});
    if (!out) {
        return std::nullopt;
    }
    Mp3Info info;
    bool mp3 = false;
    for (const QByteArray& line : out->split('\n')) {
        const int eq = line.indexOf('=');
        const QByteArray key = line.left(eq);
        const QByteArray value = line.mid(eq + 1).trimmed();
        if (key == "codec_name") {
            mp3 = value == "mp3";
        } else if (key == "sample_rate") {
            info.sampleRate = value.toInt();
        } else if (key == "channels") {
            info.channels = value.toInt();
        } else if (key == "bit_rate") {
            info.bitRate = value.toInt();
        } else if (key == "duration") {
            info.duration = value.toDouble();
        }
    }
    if (!mp3) {
        return std::nullopt;
    }
    return info;
}

// The file decoded by ffmpeg to 16-bit mono samples at 32000 Hz; nothing when it does not
// decode.
inline std::optional<std::vector<std::int16_t>> DecodeMp3(const QString& path) {
    const auto out =
        RunProgram(QStringLiteral("ffmpeg"), {"-v", "error", "-nostdin", "-i", path, "-f", "s16le",
                                              "-ac", "1", "-ar", "32000", "-"});
    if (!out) {
        return std::nullopt;
    }
    std::vector<std::int16_t> samples(static_cast<std::size_t>(out->size()) / 2);
    std::memcpy(samples.data(), out->constData(), samples.size() * 2);
    return samples;
}

// Goertzel power of one frequency over the samples.
inline double ToneEnergy(const std::vector<std::int16_t>& samples, double frequency,
                         double sampleRate = 32000) {
    const double coefficient = 2 * std::cos(2 * M_PI * frequency / sampleRate);
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
inline std::vector<std::uint8_t> ToneBytes(double frequency, double seconds,
                                           double amplitude = 96) {
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(seconds * 32000));
    for (std::size_t n = 0; n < bytes.size(); ++n) {
        bytes[n] = static_cast<std::uint8_t>(
            128 + std::lround(amplitude * std::sin(2 * M_PI * frequency * double(n) / 32000)));
    }
    return bytes;
}

} // namespace tamberlink::test
