// Prints what recording a call costs: the CPU time the recorder spends per second of audio,
// next to the `lame` command-line encoder on the same samples with the same settings.

#include "recording/CallRecorder.h"
#include "recording/CallRecorderHost.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <random>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

using tamberlink::CallRecorder;

constexpr int kSampleRate = 32000;
constexpr int kSeconds = 120;
constexpr int kRuns = 3;
// The box sends 60 samples between the A7 and 55 of each 62-byte read.
constexpr std::size_t kChunk = 60;

class NoHost : public tamberlink::CallRecorderHost {
public:
    void LinkRecordingToCallLog(const QString&) override {}
    void SetRecordingAnimation(bool) override {}
};

// Something like a voice on a telephone line: a few harmonics of a gliding pitch between
// 300 Hz and 3.4 kHz, syllable-like loudness and some line noise, as unsigned 8-bit samples.
std::vector<std::uint8_t> CallAudio() {
    std::vector<std::uint8_t> bytes(std::size_t(kSeconds) * kSampleRate);
    std::mt19937 random(7);
    std::normal_distribution<double> noise(0, 2);
    double phase = 0;
    for (std::size_t n = 0; n < bytes.size(); ++n) {
        const double t = double(n) / kSampleRate;
        const double pitch = 160 + 60 * std::sin(2 * M_PI * 0.7 * t);
        phase += 2 * M_PI * pitch / kSampleRate;
        double voice = 0;
        for (int h = 2; h * pitch < 3400; ++h) {
            voice += std::sin(h * phase) / h;
        }
        const double loudness = 0.5 + 0.5 * std::sin(2 * M_PI * 3 * t);
        const long value = 128 + std::lround(70 * loudness * voice + noise(random));
        bytes[n] = std::uint8_t(std::clamp(value, 0L, 255L));
    }
    return bytes;
}

double ThreadCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

// One recording of the whole audio, fed as the serial listener feeds it.
double RecorderCpuSeconds(const std::vector<std::uint8_t>& audio, const QString& root) {
    NoHost host;
    CallRecorder recorder(host, root);
    const double start = ThreadCpuSeconds();
    recorder.StartRecording(true);
    for (std::size_t at = 0; at < audio.size(); at += kChunk) {
        recorder.EncodeSamples(audio.data() + at, std::min(kChunk, audio.size() - at));
    }
    recorder.StopRecording(true);
    return ThreadCpuSeconds() - start;
}

// CPU time of the command-line encoder (user and system) on the widened samples.
double LameCpuSeconds(const QString& lame, const QString& pcm, const QString& mp3) {
    const QByteArray program = QFile::encodeName(lame);
    const QByteArray in = QFile::encodeName(pcm);
    const QByteArray out = QFile::encodeName(mp3);
    const pid_t child = fork();
    if (child == 0) {
        // Its note about raw input on standard error is noise here.
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, STDERR_FILENO);
        execl(program.constData(), "lame", "--quiet", "-r", "-s", "32", "--bitwidth", "16",
              "--signed", "--little-endian", "-m", "m", "--cbr", "-b", "64", "--resample", "32",
              in.constData(), out.constData(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (child < 0 || wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0) {
        return -1;
    }
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

qint64 RecorderFileSize(const QString& root) {
    const QFileInfoList files =
        QDir(root + QStringLiteral("/Rec")).entryInfoList({QStringLiteral("*.mp3")}, QDir::Files);
    return files.isEmpty() ? 0 : files.front().size();
}

} // namespace

int main() {
    QTemporaryDir root;
    if (!root.isValid()) {
        std::fprintf(stderr, "cannot make a temporary folder\n");
        return 1;
    }
    const std::vector<std::uint8_t> audio = CallAudio();

    double recorder = 1e9;
    for (int run = 0; run < kRuns; ++run) {
        recorder = std::min(recorder, RecorderCpuSeconds(audio, root.path()));
    }
    std::printf("audio: %d s of 8-bit samples at %d Hz, fed %zu samples a read; best of %d runs\n",
                kSeconds, kSampleRate, kChunk, kRuns);
    std::printf(
        "recorder:          %7.2f ms CPU per second of audio (%.0fx faster than real time)\n",
        1000 * recorder / kSeconds, kSeconds / recorder);

    const QString lame = QStandardPaths::findExecutable(QStringLiteral("lame"));
    if (lame.isEmpty()) {
        std::printf("lame command line: not installed\n");
        return 0;
    }
    QFile pcm(root.filePath(QStringLiteral("call.pcm")));
    if (!pcm.open(QIODevice::WriteOnly)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(pcm.fileName()));
        return 1;
    }
    for (const std::uint8_t byte : audio) {
        const std::int16_t sample = CallRecorder::WidenSample(byte);
        pcm.write(reinterpret_cast<const char*>(&sample), sizeof sample);
    }
    pcm.close();
    double cli = 1e9;
    for (int run = 0; run < kRuns; ++run) {
        const double seconds =
            LameCpuSeconds(lame, pcm.fileName(), root.filePath(QStringLiteral("cli.mp3")));
        if (seconds < 0) {
            std::fprintf(stderr, "lame failed\n");
            return 1;
        }
        cli = std::min(cli, seconds);
    }
    // Both files hold the same two minutes at 64 kbit/s, so the encoders did the same work.
    std::printf("files: recorder %lld bytes, lame %lld bytes\n",
                static_cast<long long>(RecorderFileSize(root.path())),
                static_cast<long long>(QFileInfo(root.filePath(QStringLiteral("cli.mp3"))).size()));
    std::printf("lame command line: %7.2f ms CPU per second of audio\n", 1000 * cli / kSeconds);
    std::printf("ratio recorder / lame: %.2f (target at most 1.2)\n", recorder / cli);
    return 0;
}
