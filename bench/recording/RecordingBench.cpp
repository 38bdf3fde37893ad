// Prints what recording a call costs: the CPU time the recorder spends per second of audio,
// next to the `lame` command-line encoder on the same samples with the same settings; then
// whether the whole program keeps up with the virtual box streaming a call at 32,000 bytes
// a second, sample for sample.

#include "../../tests/app/CoreTestSupport.h"
#include "../../tests/device/BoxSim.h"
#include "../Anchors.h"
#include "app/AppCore.h"
#include "app/DeviceBridge.h"
#include "app/UiSink.h"
#include "recording/CallRecorder.h"
#include "recording/CallRecorderHost.h"

#include <QCoreApplication>
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
using tamberlink::test::WaitUntil;

constexpr int kSampleRate = 32000;
constexpr int kSeconds = 120;
constexpr int kRuns = 3;
constexpr int kStreamSeconds = 20;
// The box sends 60 samples between the A7 and 55 of each 62-byte read.
constexpr std::size_t kChunk = 60;

class NoHost : public tamberlink::CallRecorderHost {
public:
    int CurrentCallId() override { return 0; }
    void LinkRecordingToCallLog(const QString&, int) override {}
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

// Compares the recorder with the command-line encoder; false when that could not be run.
bool CompareWithLame(const std::vector<std::uint8_t>& audio, const QString& root) {
    double recorder = 1e9;
    for (int run = 0; run < kRuns; ++run) {
        recorder = std::min(recorder, RecorderCpuSeconds(audio, root));
    }
    std::printf("audio: %d s of 8-bit samples at %d Hz, fed %zu samples a read; best of %d runs\n",
                kSeconds, kSampleRate, kChunk, kRuns);
    std::printf(
        "recorder:          %7.2f ms CPU per second of audio (%.0fx faster than real time)\n",
        1000 * recorder / kSeconds, kSeconds / recorder);

    tamberlink::bench::InstallAnchors("lame");
    const QString lame = QStandardPaths::findExecutable(QStringLiteral("lame"));
    if (lame.isEmpty()) {
        std::printf("lame command line: not installed (bench/anchors lame installs it)\n");
        return true;
    }
    QFile pcm(QDir(root).filePath(QStringLiteral("call.pcm")));
    if (!pcm.open(QIODevice::WriteOnly)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(pcm.fileName()));
        return false;
    }
    for (const std::uint8_t byte : audio) {
        const std::int16_t sample = CallRecorder::WidenSample(byte);
        pcm.write(reinterpret_cast<const char*>(&sample), sizeof sample);
    }
    pcm.close();
    const QString mp3 = QDir(root).filePath(QStringLiteral("cli.mp3"));
    double cli = 1e9;
    for (int run = 0; run < kRuns; ++run) {
        const double seconds = LameCpuSeconds(lame, pcm.fileName(), mp3);
        if (seconds < 0) {
            std::fprintf(stderr, "lame failed\n");
            return false;
        }
        cli = std::min(cli, seconds);
    }
    std::printf("lame command line: %7.2f ms CPU per second of audio\n", 1000 * cli / kSeconds);
    std::printf("ratio recorder / lame: %.2f (target at most 1.2)\n", recorder / cli);
    // The same two minutes at 64 kbit/s: the two encoders did the same work.
    std::printf("files: recorder %lld bytes, lame %lld bytes\n",
                static_cast<long long>(RecorderFileSize(root)),
                static_cast<long long>(QFileInfo(mp3).size()));
    return true;
}

double ProcessCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// The program records a call from the virtual box: every sample the box sends must reach
// the file, but those that share a read with the start frame.
bool MeasureStreaming(const QString& root) {
    tamberlink::test::BoxSim box;
    if (!box.Running()) {
        std::fprintf(stderr, "cannot start the virtual box\n");
        return false;
    }
    tamberlink::test::RecordingSink sink;
    // The local API on any free port and no cloud service: only the box is measured.
    tamberlink::AppCore core(
        tamberlink::test::TestConfig(root, QCoreApplication::applicationDirPath() + "/Data"), sink);
    core.Start();
    core.Device().Link().SetPortLister([] { return std::vector<std::string>{}; });
    core.Device().Link().SetWatchDevices(false);
    core.StartDeviceLink(QString::fromStdString(box.PortPath()));
    if (!WaitUntil([&] { return box.Count("ask missed") > 0; }, 30000) ||
        box.Command("ring 13800000000") != "ok" ||
        !WaitUntil([&] { return !core.Database().CallLog().Load().empty(); }, 30000)) {
        std::fprintf(stderr, "the virtual box did not connect\n");
        return false;
    }

    const double cpuBefore = ProcessCpuSeconds();
    core.RequestRecordingStart();
    WaitUntil([&] { return box.Count("audio-start") > 0; }, 10000);
    const auto started = std::chrono::steady_clock::now();
    WaitUntil([] { return false; }, kStreamSeconds * 1000);
    core.RequestRecordingStop();
    const bool stopped = WaitUntil(
        [&] {
            return !box.LinesStartingWith("audio-stop ").empty() && !core.Recorder().IsRecording();
        },
        10000);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    const double cpu = ProcessCpuSeconds() - cpuBefore;
    long long sent = 0;
    long long dropped = 0;
    if (!stopped || std::sscanf(box.LinesStartingWith("audio-stop ").back().c_str(),
                                "audio-stop sent=%lld dropped=%lld", &sent, &dropped) != 2) {
        std::fprintf(stderr, "the recording did not stop\n");
        return false;
    }
    const auto encoded = static_cast<long long>(core.Recorder().SamplesEncoded());
    std::printf(
        "virtual box: %lld samples streamed in %.1f s (%.0f bytes/s), %lld dropped on a full "
        "line\n",
        sent, seconds, double(sent) / seconds, dropped);
    std::printf("recorder: %lld samples encoded, %lld short (at most 60: those in the start "
                "frame's read)\n",
                encoded, sent - encoded);
    std::printf("program while recording: %.1f%% of a core\n", 100 * cpu / seconds);
    core.Shutdown();
    return true;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir root;
    if (!root.isValid()) {
        std::fprintf(stderr, "cannot make a temporary folder\n");
        return 1;
    }
    if (!CompareWithLame(CallAudio(), root.path())) {
        return 1;
    }
    return MeasureStreaming(root.path()) ? 0 : 1;
}
