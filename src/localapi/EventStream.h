#pragma once

#include <chrono>
#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace tamberlink {

class CallEvents;
class IRequest;
class ManagerImpl;

// GET /api/events: the call events as Server-Sent Events (text/event-stream, UTF-8). A
// client that comes back with Last-Event-ID first gets the kept events it missed, in order
// (or, when they are no longer kept, a "reset" event);
// every client then gets each event as it happens, and a comment line every kKeepAlive keeps
// an idle stream open through proxies. An allowed web page gets the CORS header for its
// origin.
//
// A client that reads too slowly never holds up the call flow or other clients: what it has
// not taken waits among the kept events, and once the event it needs next is no longer kept
// the client is disconnected. At most kMaxSubscribers clients at once; one more is refused.
class EventStream {
public:
    static constexpr std::size_t kMaxSubscribers = 64;
    static constexpr std::chrono::milliseconds kKeepAlive{15000};
    // The stream's bytes go out in sends of this size at most, a few at a time.
    static constexpr std::size_t kBatchBytes = 8192;

    EventStream(ManagerImpl& manager, CallEvents& events,
                std::chrono::milliseconds keepAlive = kKeepAlive);
    ~EventStream();
    EventStream(const EventStream&) = delete;
    EventStream& operator=(const EventStream&) = delete;

    std::size_t SubscriberCount() const;
    // Disconnects the clients that are web pages of `origin`.
    void EndStreamsOf(const std::string& origin);

private:
    class Subscriber;

    void Subscribe(IRequest& request);
    // Each subscriber sends what it has not sent yet.
    void Wake();
    void KeepAlive();
    void Remove(const Subscriber* subscriber);

    ManagerImpl& manager_;
    CallEvents& events_;
    const std::chrono::milliseconds keepAlive_;
    mutable std::mutex mutex_;
    std::vector<std::shared_ptr<Subscriber>> subscribers_;
};

} // namespace tamberlink
