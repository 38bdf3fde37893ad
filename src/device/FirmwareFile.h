#pragma once

#include <QString>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <vector>

namespace tamberlink {

// A firmware file, read a line at a time as it goes out and never held whole: each line
// holds hexadecimal pairs, one byte each, optionally ended by CR LF. A line longer than a
// read takes goes out in pieces, each counted as a line of its own.
class FirmwareFile {
public:
    // Why the file at `path` cannot be sent, for the user; empty when it can: it exists, and
    // holds at least one line and nothing but lines of hexadecimal pairs (blank lines aside).
    // Read a piece at a time, never whole.
    static QString Check(const QString& path);

    // Opens the file and counts its lines; false when it cannot be opened.
    bool Open(const QString& path);

    long long LineCount() const { return lineCount_; }

    // The bytes of the next line; nothing at the end of the file.
    std::optional<std::vector<std::uint8_t>> NextLine();

private:
    std::unique_ptr<FILE, int (*)(FILE*)> file_{nullptr, std::fclose};
    long long lineCount_ = 0;
};

} // namespace tamberlink
