#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace tamberlink {

// The fields of one event, in the order added, for one line of JSON.
class EventData {
public:
    EventData& Text(std::string_view name, std::string_view utf8);
    EventData& Texts(std::string_view name, const std::vector<std::string>& utf8);
    EventData& Integer(std::string_view name, long long value);
    // Written with three decimals.
    EventData& Number(std::string_view name, double value);
    EventData& Flag(std::string_view name, bool value);

    // The fields as they follow the opening brace: each starts with a comma.
    const std::string& Fields() const { return fields_; }

private:
    void Name(std::string_view name);

    std::string fields_;
};

// The events of the call flow, numbered from 1 (or on from an earlier run's), each with the
// time it happened: the message of the local API's event stream. The newest kKept stay in
// memory; older ones come from the history when one is set (the journal in the database),
// so that a client that comes back gets what it missed. Publish may be called from any
// thread and never waits for a client.
class CallEvents {
public:
    static constexpr std::size_t kKept = 1000;

    // One event as the stream sends it: "id: N\nevent: NAME\ndata: {JSON}\n\n".
    struct Event {
        std::uint64_t id = 0;
        std::string text;
    };
    // One event as it is recorded: its id, type, time (seconds since the epoch) and JSON.
    struct Recorded {
        std::uint64_t id = 0;
        std::int64_t time = 0;
        std::string type;
        std::string json;
    };
    // Events older than those kept in memory, read from where they were recorded.
    class History {
    public:
        virtual ~History() = default;
        // The lowest id still there; 0 for none.
        virtual std::uint64_t OldestId() = 0;
        // The events after `afterId` in order, at most `limit`.
        virtual std::vector<Recorded> LoadAfter(std::uint64_t afterId, int limit) = 0;
    };

    // The stream's text of a recorded event.
    static std::string StreamText(const Recorded& event);

    // Numbers the event, stamps it with the local time (ISO 8601 with the offset from UTC)
    // and keeps it, hands it to the recorder, then tells the listener. Returns its id.
    std::uint64_t Publish(std::string_view name, const EventData& data);

    // Ids go on after `id` (the newest an earlier run recorded). Call before the first event.
    void ContinueAfter(std::uint64_t id);
    // Called with each event as it is numbered, in id order, under the events' lock: it must
    // only queue. Set before other threads publish; nullptr for none.
    void SetRecorder(std::function<void(Recorded)> recorder);
    // Where events older than the kept ones are read; nullptr for nowhere. Must outlive its
    // use, until it is unset.
    void SetHistory(History* history);

    // The id of the newest event; 0 before the first.
    std::uint64_t NewestId() const;
    // The id of the oldest event kept here or in the history; NewestId() + 1 when none.
    std::uint64_t OldestId() const;
    // Whether the event `id` is kept, here or in the history, or is still to come.
    bool IsKept(std::uint64_t id) const;
    // Appends to `out` the events after `lastId`, in order, until at least `maxBytes` are
    // there, and moves `lastId` to the last one appended. False, with nothing appended, when
    // the event after `lastId` is kept neither here nor in the history.
    bool CopyAfter(std::uint64_t& lastId, std::size_t maxBytes, std::string& out) const;

    // Called after each event is kept, on the publishing thread. Setting another (or none)
    // waits until a call under way has returned.
    void SetListener(std::function<void()> listener);

private:
    // From the history: the events after `lastId` that precede `kept`, the oldest in memory.
    // False when the next one is not there.
    static bool CopyFromHistory(History& history, std::uint64_t kept, std::uint64_t& lastId,
                                std::size_t maxBytes, std::string& out);

    mutable std::mutex mutex_;
    std::deque<Event> events_;
    std::uint64_t newest_ = 0;
    std::function<void(Recorded)> recorder_;
    History* history_ = nullptr;

    std::mutex listenerMutex_;
    std::function<void()> listener_;
};

} // namespace tamberlink
