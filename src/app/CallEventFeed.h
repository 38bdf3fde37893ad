#pragma once

#include "localapi/CallEvents.h"

#include <QString>
#include <QStringList>

#include <chrono>
#include <mutex>
#include <optional>
#include <string>

namespace tamberlink {

struct CallAttempt;
struct CallReport;
class EventJournalTable;

// Turns what happens in the call flow into the events of the local API's stream and the
// webhooks, with the fields and texts the call log and the popups use. Every event of one
// call carries the same "call_id", from its ringing or dialling to its end and its
// recording. Any thread may report; the call flow never waits for a client of the stream.
class CallEventFeed {
public:
    CallEvents& Events() { return events_; }

    // "incoming" (or "blocked"), "missed" or "dialled".
    void Call(const CallReport& call);
    // "answered": the box reported that the call going on was taken up.
    void Answered();
    // "ended": the box reported the end of the call; with its length when one was going on.
    // Returns the seconds it was connected (from its answer, or from its start when the box
    // does not report one), nothing when no call was going on.
    std::optional<double> Ended();
    void RecordingStarted(const QString& id);
    void RecordingFinished(const QString& id, const QString& path, double seconds);
    void SmsSent(const QStringList& numbers, int length);
    // "call-outcome": an outcome given in a dialling campaign (its time is the event's),
    // with the number, outcome, remark and the call list's file and row.
    void Outcome(const CallAttempt& attempt);
    // "device": the box and the phone linked to it.
    void Device(bool connected, bool phoneLinked);

private:
    struct Current {
        std::string id;
        std::string number;
        bool throughPhone = false;
        bool answered = false;
        std::chrono::steady_clock::time_point start;
        std::chrono::steady_clock::time_point answeredAt;
    };

    // With callMutex_ held: the call's fields that every event of it carries.
    EventData CallData(const Current& call) const;
    // The call a recording belongs to: the one going on, else the last one.
    std::string RecordingCallId();

    CallEvents events_;
    std::mutex callMutex_;
    std::optional<Current> call_;
    std::string lastCallId_;
};

// The events the journal in the database keeps, for the clients that missed more than the
// stream keeps in memory.
class EventJournalHistory final : public CallEvents::History {
public:
    explicit EventJournalHistory(EventJournalTable& journal)
        : journal_(journal) {}
    std::uint64_t OldestId() override;
    std::vector<CallEvents::Recorded> LoadAfter(std::uint64_t afterId, int limit) override;

private:
    EventJournalTable& journal_;
};

} // namespace tamberlink
