#pragma once

#include "localapi/CallEvents.h"

#include <QString>
#include <QStringList>

namespace tamberlink {

struct CallReport;

// Turns what happens in the call flow into the events of the local API's stream, with the
// fields and texts the call log and the popups use. Any thread may report; the call flow
// never waits for a client of the stream.
class CallEventFeed {
public:
    CallEvents& Events() { return events_; }

    // "incoming", "missed" or "dialled".
    void Call(const CallReport& call);
    // "ended": the box reported the end of the call.
    void Ended();
    void RecordingStarted(const QString& id);
    void RecordingFinished(const QString& id, const QString& path, double seconds);
    void SmsSent(const QStringList& numbers, int length);
    // "device": the box and the phone linked to it.
    void Device(bool connected, bool phoneLinked);

private:
    CallEvents events_;
};

} // namespace tamberlink
