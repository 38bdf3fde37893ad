#pragma once

#include <QString>

namespace tamberlink {

// What the recorder asks of its owner. The calls come from the serial listener thread, or
// from the thread that ends a recording the box can no longer end; the owner brings what
// touches the user interface to the UI thread without waiting for it.
class CallRecorderHost {
public:
    virtual ~CallRecorderHost() = default;

    // The call-log entry of the call going on as a recording starts: the newest one; 0 when
    // the log is empty.
    virtual int CurrentCallId() = 0;

    // A recording ended: write its identifier into the entry `callId` (the newest when 0),
    // if that entry has no recording yet, and have the call log reload.
    virtual void LinkRecordingToCallLog(const QString& id, int callId) = 0;

    // The recording animation of the open call popup.
    virtual void SetRecordingAnimation(bool playing) = 0;

    // Other programs follow the recordings through these. A recording began; one ended,
    // with its file (empty when none could be written) and its length in seconds.
    virtual void OnRecordingStarted(const QString& /*id*/) {}
    virtual void OnRecordingFinished(const QString& /*id*/, const QString& /*path*/,
                                     double /*seconds*/) {}
};

} // namespace tamberlink
