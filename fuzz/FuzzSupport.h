#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace tamberlink::fuzz {

// Stops the run with a finding: a result broke what the rest of the program relies on.
inline void Check(bool condition) {
    if (!condition) {
        __builtin_trap();
    }
}

// One file per process for readers that take a path, in memory where the machine offers it,
// removed when the run ends.
inline const char* ScratchPath() {
    static char path[] = "/dev/shm/tamberlink-fuzz-XXXXXX";
    static const bool made = [] {
        int fd = mkstemp(path);
        if (fd < 0) {
            std::snprintf(path, sizeof path, "%s", "/tmp/tamberlink-fuzz-XXXXXX");
            fd = mkstemp(path);
        }
        Check(fd >= 0);
        close(fd);
        std::atexit([] { std::remove(path); });
        return true;
    }();
    static_cast<void>(made);
    return path;
}

// Replaces the scratch file's content with the input.
inline void WriteScratch(const std::uint8_t* data, std::size_t size) {
    FILE* out = std::fopen(ScratchPath(), "wb");
    Check(out != nullptr);
    Check(size == 0 || std::fwrite(data, 1, size, out) == size);
    Check(std::fclose(out) == 0);
}

} // namespace tamberlink::fuzz
