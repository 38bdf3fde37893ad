#pragma once

#include "localapi/ApiRoutes.h"
#include "localapi/ManagerImpl.h"

#include <chrono>
#include <cstdint>

namespace tamberlink {

class ApiHost;

// The local HTTP API: the server on 127.0.0.1 with the three routes, serving `host`. The
// routes are in place before the server listens, so no early request goes unanswered.
class LocalApi {
public:
    static constexpr std::uint16_t kPort = 9123;

    explicit LocalApi(ApiHost& host,
                      std::chrono::milliseconds idleLimit = ConnectionServer::kIdleLimit);
    ~LocalApi();
    LocalApi(const LocalApi&) = delete;
    LocalApi& operator=(const LocalApi&) = delete;

    // False, with a warning logged, when the port cannot be bound (taken by another
    // program); the rest of the program runs on without the API.
    bool Start(std::uint16_t port = kPort);
    // Stops the server and joins its threads; requests being handled finish first.
    void Stop();
    // The port listened on (useful after Start(0)); 0 when not listening.
    std::uint16_t Port() const;
    // Connections held at the moment.
    int ConnectionCount() const;

private:
    ManagerImpl manager_;
    ApiRoutes routes_;
};

} // namespace tamberlink
