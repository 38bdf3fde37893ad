#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace tamberlink {

// One open serial port set up for the telephone box: raw, 4800 baud, 8 data bits, no
// parity, two stop bits, exclusive, non-blocking. Works on real ttys and pseudo-terminals.
class SerialPort {
public:
    // Opens and sets up `path`; null when it cannot be opened or configured, with the
    // reason (an errno value) in `error` when given.
    static std::unique_ptr<SerialPort> Open(const std::string& path, int* error = nullptr);

    ~SerialPort();
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    const std::string& Path() const { return path_; }
    int Fd() const { return fd_; }

    // Takes what has arrived, at most `capacity` bytes: the count, 0 when nothing is there,
    // -1 when the port failed or hung up.
    long Read(std::uint8_t* buffer, std::size_t capacity);

    // Writes all bytes, waiting for room up to 500 ms plus 100 ms per byte; false when the
    // port failed, the bytes could not all go out in time, or `cancelFd` (when given) turned
    // readable meanwhile.
    bool Write(const std::uint8_t* bytes, std::size_t count, int cancelFd = -1);

private:
    SerialPort(std::string path, int fd);

    std::string path_;
    int fd_;
};

} // namespace tamberlink
