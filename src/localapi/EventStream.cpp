#include "localapi/EventStream.h"

#include "localapi/ApiReplies.h"
#include "localapi/CHttpResponseMaker.h"
#include "localapi/CallEvents.h"
#include "localapi/ConnectionServer.h"
#include "localapi/ManagerImpl.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

namespace tamberlink {
namespace {

constexpr std::string_view kKeepAliveComment = ": keep-alive\n\n";

// The id a reconnecting client last saw: decimal digits only, and small enough to be one;
// anything else reads as none.
bool ReadLastEventId(const std::string* header, std::uint64_t& id) {
    if (header == nullptr || header->empty() || header->size() > 19 ||
        !std::all_of(header->begin(), header->end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return false;
    }
    id = std::stoull(*header);
    return true;
}

} // namespace

// One client of the stream. It keeps its place among the kept events and writes the next
// ones whenever its connection has taken what went before.
class EventStream::Subscriber : public OutgoingStream {
public:
    Subscriber(EventStream& stream, std::uint64_t lastId, std::string origin)
        : stream_(stream)
        , origin_(std::move(origin))
        , lastId_(lastId) {}

    const std::string& Origin() const { return origin_; }

    void Attach(std::shared_ptr<StreamWriter> writer) {
        std::lock_guard lock(mutex_);
        writer_ = std::move(writer);
    }

    // Writes the events not written yet, unless earlier ones are still on their way.
    void Pump() {
        std::lock_guard lock(mutex_);
        if (writer_ == nullptr || closed_) {
            return;
        }
        // Checked first: a client whose writes are stuck falls behind all the same.
        if (!stream_.events_.IsKept(lastId_ + 1)) {
            Drop();
            return;
        }
        if (writer_->Pending() > 0) {
            return;
        }
        std::string batch;
        if (!stream_.events_.CopyAfter(lastId_, kBatchBytes, batch)) {
            Drop();
            return;
        }
        for (std::size_t at = 0; at < batch.size(); at += ConnectionServer::kBlockSize) {
            if (!writer_->Write(std::string_view(batch).substr(at, ConnectionServer::kBlockSize))) {
                Drop();
                return;
            }
        }
    }

    void KeepAlive() {
        std::lock_guard lock(mutex_);
        if (writer_ != nullptr && !closed_ && writer_->Pending() == 0) {
            writer_->Write(kKeepAliveComment);
        }
    }

    void End() {
        std::lock_guard lock(mutex_);
        if (writer_ != nullptr && !closed_) {
            Drop();
        }
    }

    void OnWritten() override { Pump(); }

    void OnClosed() override {
        {
            std::lock_guard lock(mutex_);
            closed_ = true;
        }
        stream_.Remove(this);
    }

private:
    void Drop() {
        closed_ = true;
        writer_->Close();
    }

    EventStream& stream_;
    const std::string origin_; // of a web page; empty for a program
    std::mutex mutex_;
    std::shared_ptr<StreamWriter> writer_;
    std::uint64_t lastId_;
    bool closed_ = false;
};

EventStream::EventStream(ManagerImpl& manager, CallEvents& events,
                         std::chrono::milliseconds keepAlive)
    : manager_(manager)
    , events_(events)
    , keepAlive_(keepAlive) {
    manager_.AddRoute("/api/events", this, {ApiPurpose::FollowCalls, CHttpResponseMaker::kJson},
                      [this](IRequest& request) { Subscribe(request); });
    events_.SetListener([this] { Wake(); });
    manager_.Schedule(keepAlive_, [this] { KeepAlive(); });
}

EventStream::~EventStream() {
    events_.SetListener(nullptr);
    manager_.RemoveRoutesOf(this);
}

std::size_t EventStream::SubscriberCount() const {
    std::lock_guard lock(mutex_);
    return subscribers_.size();
}

void EventStream::Subscribe(IRequest& request) {
    // A client that names an id no longer kept (or one this program never gave: its database
    // was replaced) cannot get what it missed: a "reset" event says so, then the live ones.
    const std::uint64_t newest = events_.NewestId();
    std::uint64_t lastId = newest;
    bool reset = false;
    if (std::uint64_t named = 0; ReadLastEventId(request.GetHeader("last-event-id"), named)) {
        reset = named > newest || !events_.IsKept(named + 1);
        lastId = reset ? newest : named;
    }

    std::string head = "HTTP/1.1 200 OK\r\nContent-Type: text/event-stream;charset=utf-8\r\n"
                       "Cache-Control: no-cache\r\n";
    if (!request.PageOrigin().empty()) {
        head += "Access-Control-Allow-Origin: " + request.PageOrigin() + "\r\nVary: Origin\r\n";
    }
    head += "Connection: keep-alive\r\n\r\n";
    if (reset) {
        head += "id: " + std::to_string(newest) +
                "\nevent: reset\ndata: {\"after\":" + std::to_string(newest) + "}\n\n";
    }

    const auto subscriber = std::make_shared<Subscriber>(*this, lastId, request.PageOrigin());
    {
        std::lock_guard lock(mutex_);
        if (subscribers_.size() >= kMaxSubscribers) {
            request.ReplyJson(ReplyBody(ApiReply::TooManySubscribers));
            return;
        }
        std::shared_ptr<StreamWriter> writer = request.StartStream(head, subscriber);
        if (writer == nullptr) {
            return;
        }
        subscriber->Attach(std::move(writer));
        subscribers_.push_back(subscriber);
    }
    subscriber->Pump();
}

void EventStream::EndStreamsOf(const std::string& origin) {
    std::lock_guard lock(mutex_);
    for (const std::shared_ptr<Subscriber>& subscriber : subscribers_) {
        if (subscriber->Origin() == origin) {
            subscriber->End();
        }
    }
}

void EventStream::Wake() {
    std::lock_guard lock(mutex_);
    for (const std::shared_ptr<Subscriber>& subscriber : subscribers_) {
        subscriber->Pump();
    }
}

void EventStream::KeepAlive() {
    {
        std::lock_guard lock(mutex_);
        for (const std::shared_ptr<Subscriber>& subscriber : subscribers_) {
            subscriber->KeepAlive();
        }
    }
    manager_.Schedule(keepAlive_, [this] { KeepAlive(); });
}

void EventStream::Remove(const Subscriber* subscriber) {
    std::lock_guard lock(mutex_);
    std::erase_if(subscribers_, [subscriber](const std::shared_ptr<Subscriber>& candidate) {
        return candidate.get() == subscriber;
    });
}

} // namespace tamberlink
