#include "recording/CallRecorder.h"

#include "recording/CallRecorderHost.h"
#include "recording/RecordingLog.h"
#include "util/TextCodec.h"

#include <QDir>

#include <algorithm>
#include <utility>

namespace tamberlink {

CallRecorder::CallRecorder(CallRecorderHost& host, QString dataRoot)
    : host_(host)
    , dataRoot_(std::move(dataRoot)) {}

CallRecorder::~CallRecorder() {
    std::lock_guard lock(mutex_);
    CloseFileLocked();
}

QString CallRecorder::RecordingPath(const QString& dataRoot, const QString& id) {
    return dataRoot + QStringLiteral("/Rec/") + id + QStringLiteral(".mp3");
}

void CallRecorder::SetDataRoot(const QString& dataRoot) {
    std::lock_guard lock(mutex_);
    dataRoot_ = dataRoot;
}

void CallRecorder::StartRecording(bool started) {
    // Asked before the lock: the owner reads the call log for it.
    const int callId = started ? host_.CurrentCallId() : 0;
    std::optional<Ended> ended;
    QString id;
    {
        std::lock_guard lock(mutex_);
        ended = EndLocked();
        if (!started) {
            recording_.store(false, std::memory_order_release);
        } else {
            recording_.store(true, std::memory_order_release);
            currentId_ = Utf8ToWide(NewGuidText());
            id = runningId_ = currentId_;
            callId_ = callId;
            samplesEncoded_ = 0;
            // A file that cannot be made leaves the recording without one; the identifier
            // is still linked to the call.
            if (dataRoot_.isEmpty()) {
                qCWarning(lcRecording, "No data folder: the recording is not kept");
            } else {
                // The folder is made at start-up; one removed since is made again rather than
                // losing the call.
                QDir().mkpath(dataRoot_ + QStringLiteral("/Rec"));
                const QString path = RecordingPath(dataRoot_, currentId_);
                if (writer_.Open(path)) {
                    runningPath_ = path;
                }
            }
        }
    }
    Report(ended);
    if (started) {
        host_.OnRecordingStarted(id);
        host_.SetRecordingAnimation(true);
    }
}

void CallRecorder::EncodeSamples(const std::uint8_t* samples, std::size_t count) {
    if (samples == nullptr || count == 0 || !IsRecording()) {
        return;
    }
    std::lock_guard lock(mutex_);
    if (!writer_.IsOpen() || !IsRecording()) {
        return;
    }
    while (count > 0) {
        const std::size_t slice = std::min(count, pcm_.size());
        std::transform(samples, samples + slice, pcm_.begin(), WidenSample);
        if (!writer_.Encode(pcm_.data(), slice)) {
            return;
        }
        samplesEncoded_ += slice;
        samples += slice;
        count -= slice;
    }
}

void CallRecorder::StopRecording(bool close) {
    QString id;
    int callId = 0;
    std::optional<Ended> ended;
    {
        std::lock_guard lock(mutex_);
        if (close && IsRecording()) {
            recording_.store(false, std::memory_order_release);
            ended = EndLocked();
        }
        id = std::exchange(currentId_, QString());
        callId = std::exchange(callId_, 0);
    }
    if (!id.isEmpty()) {
        host_.LinkRecordingToCallLog(id, callId);
    }
    Report(ended);
    host_.SetRecordingAnimation(false);
}

void CallRecorder::FinishRecording() {
    if (IsRecording()) {
        StopRecording(true);
    }
}

QString CallRecorder::CurrentRecordingId() const {
    std::lock_guard lock(mutex_);
    return currentId_;
}

std::uint64_t CallRecorder::SamplesEncoded() const {
    std::lock_guard lock(mutex_);
    return samplesEncoded_;
}

std::optional<CallRecorder::Ended> CallRecorder::EndLocked() {
    CloseFileLocked();
    if (runningId_.isEmpty()) {
        return std::nullopt;
    }
    Ended ended{std::exchange(runningId_, QString()), std::exchange(runningPath_, QString()),
                double(samplesEncoded_) / Mp3Writer::kSampleRate};
    return ended;
}

void CallRecorder::Report(const std::optional<Ended>& ended) {
    if (ended) {
        host_.OnRecordingFinished(ended->id, ended->path, ended->seconds);
    }
}

void CallRecorder::CloseFileLocked() {
    if (writer_.IsOpen()) {
        writer_.Close();
    }
}

} // namespace tamberlink
