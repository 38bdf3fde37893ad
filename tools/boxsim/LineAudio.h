#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace boxsim {

// What the box streams while it records a call: unsigned 8-bit samples at 32000 Hz, none of
// them a byte that means something on the line (A5, A7, 55).
namespace line_audio {

constexpr int kSampleRate = 32000;

// A 1 kHz tone, sample n.
std::uint8_t ToneSample(long long n);

// `text` spoken by espeak-ng, followed by a second of silence so that the speech can be
// played over and over. Empty when espeak-ng is missing or says nothing.
std::vector<std::uint8_t> SpeechSamples(const std::string& text);

} // namespace line_audio
} // namespace boxsim
