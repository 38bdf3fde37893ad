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

// The events of the call flow, numbered from 1, each with the time it happened: the message
// of the local API's event stream. The newest kKept stay, so that a client that comes back
// gets what it missed. Publish may be called from any thread and never waits for a client.
class CallEvents {
public:
    static constexpr std::size_t kKept = 1000;

    // One event as the stream sends it: "id: N\nevent: NAME\ndata: {JSON}\n\n".
    struct Event {
        std::uint64_t id = 0;
        std::string text;
    };

    // Numbers the event, stamps it with the local time (ISO 8601 with the offset from UTC)
    // and keeps it, then tells the listener. Returns its id.
    std::uint64_t Publish(std::string_view name, const EventData& data);

    // The id of the newest event; 0 before the first.
    std::uint64_t NewestId() const;
    // The id of the oldest event kept; NewestId() + 1 before the first.
    std::uint64_t OldestId() const;
    // Appends to `out` the events after `lastId`, in order, until at least `maxBytes` are
    // there, and moves `lastId` to the last one appended. False, with nothing appended, when
    // the event after `lastId` is no longer kept.
    bool CopyAfter(std::uint64_t& lastId, std::size_t maxBytes, std::string& out) const;

    // Called after each event is kept, on the publishing thread. Setting another (or none)
    // waits until a call under way has returned.
    void SetListener(std::function<void()> listener);

private:
    mutable std::mutex mutex_;
    std::deque<Event> events_;
    std::uint64_t newest_ = 0;

    std::mutex listenerMutex_;
    std::function<void()> listener_;
};

} // namespace tamberlink
