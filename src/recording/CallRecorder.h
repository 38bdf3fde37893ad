#pragma once

#include "recording/Mp3Writer.h"

#include <QString>

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>

namespace tamberlink {

class CallRecorderHost;

// Records a call to an MP3 file named by a fresh GUID, "<data root>/Rec/<GUID>.mp3", while
// the box streams its audio. The box starts and stops recordings; the serial listener calls
// StartRecording and StopRecording for its frames and EncodeSamples for the samples of each
// read, and reads IsRecording to know how to read.
//
// The state is guarded, so that the owner can also end a recording from another thread when
// the link is lost or the program closes (FinishRecording).
class CallRecorder {
public:
    // Recordings need a data root; until one is set a recording runs without a file.
    explicit CallRecorder(CallRecorderHost& host, QString dataRoot = {});
    ~CallRecorder();
    CallRecorder(const CallRecorder&) = delete;
    CallRecorder& operator=(const CallRecorder&) = delete;

    // "<data root>/Rec/<id>.mp3".
    static QString RecordingPath(const QString& dataRoot, const QString& id);

    // The folder found at start-up; used from the next recording on.
    void SetDataRoot(const QString& dataRoot);

    // A sample from the box, unsigned 8 bits with 0x80 as silence, as a signed 16-bit sample.
    static constexpr std::int16_t WidenSample(std::uint8_t byte) {
        return static_cast<std::int16_t>((byte - 128) * 256);
    }

    bool IsRecording() const { return recording_.load(std::memory_order_acquire); }

    // The box began a recording (started) or refused or ended one before it began. A start
    // while a file is open finishes that file first; a refusal finishes an open file too. A
    // recording belongs to the call it starts in, whatever calls are logged before it ends.
    void StartRecording(bool started);

    // The samples of one read. Ignored unless a recording runs and its file is open.
    void EncodeSamples(const std::uint8_t* samples, std::size_t count);

    // The box stopped recording. A closing stop finishes the file; every stop then links the
    // recording to its call, forgets its identifier and stops the popup's animation. A stop
    // without close leaves the file open: samples go on into it.
    void StopRecording(bool close);

    // Ends a running recording as a closing stop does, for when the box can no longer end
    // it: the link was lost, or the program is closing.
    void FinishRecording();

    // The identifier of the recording that has not been linked yet; empty when none.
    QString CurrentRecordingId() const;
    // Samples encoded since the last start.
    std::uint64_t SamplesEncoded() const;

private:
    // A recording that has ended, for the host to hear of.
    struct Ended {
        QString id;
        QString path;
        double seconds = 0;
    };

    void CloseFileLocked();
    // Ends the recording under way, if any: its file is finished.
    std::optional<Ended> EndLocked();
    void Report(const std::optional<Ended>& ended);

    CallRecorderHost& host_;
    // Read by the listener for every chunk, so kept apart from the lock.
    std::atomic<bool> recording_{false};

    mutable std::mutex mutex_;
    QString dataRoot_;
    QString currentId_;
    int callId_ = 0;    // the call-log entry the recording belongs to
    QString runningId_; // the recording under way, until its file is finished
    QString runningPath_;
    Mp3Writer writer_;
    std::uint64_t samplesEncoded_ = 0;
    std::array<std::int16_t, Mp3Writer::kMaxSamples> pcm_{};
};

} // namespace tamberlink
