#pragma once

#include <cstdlib>
#include <string>

namespace tamberlink::bench {

// Has bench/anchors install the tools named (nginx, wrk, lame) when they are missing; false
// when that failed, and the benchmark goes without the comparison.
inline bool InstallAnchors(const std::string& tools) {
    const std::string command = "'" TAMBERLINK_SOURCE_DIR "/bench/anchors' " + tools;
    return std::system(command.c_str()) == 0;
}

} // namespace tamberlink::bench
