#pragma once

#include <QString>

#include <optional>

namespace tamberlink {

// The playing time of an MP3 file in whole seconds (rounded), counted from its frame headers
// without decoding: an ID3v2 tag in front is skipped, and so is the first frame when it only
// carries a length tag. Nothing when the file cannot be read or holds no MPEG audio frame.
std::optional<int> Mp3DurationSeconds(const QString& path);

} // namespace tamberlink
