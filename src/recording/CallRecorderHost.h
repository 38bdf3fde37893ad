#pragma once

#include <QString>

namespace tamberlink {

// What the recorder asks of its owner. Both calls come from the serial listener thread; the
// owner brings what touches the user interface to the UI thread without waiting for it.
class CallRecorderHost {
public:
    virtual ~CallRecorderHost() = default;

    // A recording ended: write its identifier into the newest call-log entry, if that entry
    // has no recording yet, and have the call log reload.
    virtual void LinkRecordingToCallLog(const QString& id) = 0;

    // The recording animation of the open call popup.
    virtual void SetRecordingAnimation(bool playing) = 0;
};

} // namespace tamberlink
