#include "LineAudio.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace boxsim::line_audio {

namespace {

constexpr double kPi = 3.14159265358979323846;
// Loud but clear of clipping: the peak is this far from silence (0x80).
constexpr double kPeak = 96;

std::uint8_t LineSample(long value) {
    value = std::clamp(value, 0L, 255L);
    if (value == 0xA5 || value == 0xA7 || value == 0x55) {
        ++value;
    }
    return static_cast<std::uint8_t>(value);
}

std::uint32_t Little(const std::string& bytes, std::size_t at, int size) {
    std::uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i) {
        value = value << 8 | static_cast<std::uint8_t>(bytes[at + static_cast<std::size_t>(i)]);
    }
    return value;
}

// Runs espeak-ng with the text on its standard input; its WAV output.
std::string Speak(const std::string& text) {
    int in[2];
    int out[2];
    if (pipe2(in, O_CLOEXEC) != 0) {
        return {};
    }
    if (pipe2(out, O_CLOEXEC) != 0) {
        close(in[0]);
        close(in[1]);
        return {};
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    char program[] = "espeak-ng";
    char toStdout[] = "--stdout";
    char* argv[] = {program, toStdout, nullptr};
    pid_t pid = -1;
    const bool spawned = posix_spawnp(&pid, program, &actions, nullptr, argv, environ) == 0;
    posix_spawn_file_actions_destroy(&actions);
    close(in[0]);
    close(out[1]);
    std::string wav;
    if (spawned) {
        // A line of text fits the pipe: writing it all first cannot block on the output.
        [[maybe_unused]] const ssize_t written = write(in[1], text.data(), text.size());
        close(in[1]);
        char buffer[65536];
        ssize_t n;
        while ((n = read(out[0], buffer, sizeof buffer)) > 0) {
            wav.append(buffer, static_cast<std::size_t>(n));
        }
        waitpid(pid, nullptr, 0);
    } else {
        close(in[1]);
    }
    close(out[0]);
    return wav;
}

} // namespace

std::uint8_t ToneSample(long long n) {
    return LineSample(128 +
                      std::lround(kPeak * std::sin(2 * kPi * 1000 * double(n) / kSampleRate)));
}

std::vector<std::uint8_t> SpeechSamples(const std::string& text) {
    const std::string wav = Speak(text);
    if (wav.size() < 12 || wav.compare(0, 4, "RIFF") != 0 || wav.compare(8, 4, "WAVE") != 0) {
        return {};
    }
    // 16-bit mono PCM; a header written to a pipe may claim more data than follows.
    std::uint32_t rate = 0;
    std::vector<std::int16_t> speech;
    for (std::size_t at = 12; at + 8 <= wav.size();) {
        const std::string id = wav.substr(at, 4);
        const std::size_t size = std::min<std::size_t>(Little(wav, at + 4, 4), wav.size() - at - 8);
        if (id == "fmt " && size >= 16) {
            if (Little(wav, at + 8, 2) != 1 || Little(wav, at + 10, 2) != 1 ||
                Little(wav, at + 22, 2) != 16) {
                return {};
            }
            rate = Little(wav, at + 12, 4);
        } else if (id == "data") {
            speech.resize(size / 2);
            std::memcpy(speech.data(), wav.data() + at + 8, speech.size() * 2);
        }
        at += 8 + size + (size & 1);
    }
    int loudest = 0;
    for (const std::int16_t sample : speech) {
        loudest = std::max(loudest, std::abs(int(sample)));
    }
    if (rate == 0 || loudest == 0) {
        return {};
    }
    const double gain = kPeak / loudest;
    const std::size_t count = speech.size() * kSampleRate / rate;
    std::vector<std::uint8_t> samples(count + kSampleRate, 0x80);
    for (std::size_t n = 0; n < count; ++n) {
        const double position = double(n) * rate / kSampleRate;
        const std::size_t i = static_cast<std::size_t>(position);
        const double next = i + 1 < speech.size() ? speech[i + 1] : speech[i];
        const double value = speech[i] + (next - speech[i]) * (position - double(i));
        samples[n] = LineSample(128 + std::lround(value * gain));
    }
    return samples;
}

} // namespace boxsim::line_audio
