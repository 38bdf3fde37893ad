#pragma once

#include <QString>

#include <atomic>
#include <cstdint>
#include <mutex>

namespace tamberlink {

class DeviceHost;
class SerialLink;

// Replaces the box's firmware with a text file of hexadecimal lines. The user starts it on
// the UI thread; the box asks for the file (B9) and judges the result (B6 success, B8
// failure). The listener queues the file, which the link's writer reads and sends a line at
// a time, showing the progress as each line goes out.
class FirmwareTransfer {
public:
    FirmwareTransfer(SerialLink& link, DeviceHost& host);

    // UI thread: checks the file, then asks the box to enter upgrade mode and remembers the
    // file to send. A file that cannot be sent (see FirmwareFile::Check) is refused before
    // the box hears of it: the refusal, for the user, is returned; empty when started.
    QString StartUpgrade(const QString& path);

    // Listener thread: the box's upgrade frames.
    void SendFirmware();    // B9
    void OnAttemptFailed(); // B8
    void OnSucceeded();     // B6

    bool IsUpgrading() const { return active_ != 0; }
    int FailureCount() const { return failures_; }

private:
    class Lines;

    QString Path() const;
    // Ends transfer `id` unless a newer one has begun.
    void Finish(std::uint64_t id);

    SerialLink& link_;
    DeviceHost& host_;
    mutable std::mutex pathMutex_;
    QString path_;
    // The transfer that may send, 0 for none. Each B9 begins a new one and a failure stops
    // it; the end of an older one, reported by the writer, leaves a newer one running.
    std::atomic<std::uint64_t> active_{0};
    std::uint64_t transfers_ = 0; // listener thread only
    // Failed attempts reported by the box; after the fourth nothing more is sent.
    std::atomic<int> failures_{0};
};

} // namespace tamberlink
