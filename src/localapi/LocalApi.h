#pragma once

#include "localapi/ApiRoutes.h"
#include "localapi/EventStream.h"
#include "localapi/ManagerImpl.h"

#include <chrono>
#include <cstdint>
#include <string>

namespace tamberlink {

class ApiHost;

// The times the server keeps to; tests shorten them.
struct LocalApiLimits {
    // A request must come whole, and its reply be taken, within this.
    std::chrono::milliseconds idle = ConnectionServer::kIdleLimit;
    // A web page's request waits this long at most for the user's answer.
    std::chrono::milliseconds ask = CWebServer::kAskLimit;
    // An idle event stream gets a comment line this often.
    std::chrono::milliseconds keepAlive = EventStream::kKeepAlive;
};

// The local HTTP API: the server on 127.0.0.1 with the three routes and the event stream,
// serving `host`. The routes are in place before the server listens, so no early request
// goes unanswered. StartServer fails, with a warning logged, when the port is taken by
// another program; the rest of the program runs on without the API.
class LocalApi : public ManagerImpl {
public:
    static constexpr std::uint16_t kPort = 9123;

    using Limits = LocalApiLimits;

    explicit LocalApi(ApiHost& host, Limits limits = {});
    // Stops the server (requests being handled finish first) before the routes go.
    ~LocalApi() override;

    // Clients of the event stream at the moment.
    std::size_t SubscriberCount() const { return events_.SubscriberCount(); }
    // Disconnects the event streams of the web pages of `origin`.
    void EndStreamsOf(const std::string& origin) { events_.EndStreamsOf(origin); }

private:
    ApiRoutes routes_;
    EventStream events_;
};

} // namespace tamberlink
