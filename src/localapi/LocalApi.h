#pragma once

#include "localapi/ApiRoutes.h"
#include "localapi/ManagerImpl.h"

#include <chrono>
#include <cstdint>

namespace tamberlink {

class ApiHost;

// The local HTTP API: the server on 127.0.0.1 with the three routes, serving `host`. The
// routes are in place before the server listens, so no early request goes unanswered.
// StartServer fails, with a warning logged, when the port is taken by another program; the
// rest of the program runs on without the API.
class LocalApi : public ManagerImpl {
public:
    static constexpr std::uint16_t kPort = 9123;

    explicit LocalApi(ApiHost& host,
                      std::chrono::milliseconds idleLimit = ConnectionServer::kIdleLimit);
    // Stops the server (requests being handled finish first) before the routes go.
    ~LocalApi() override;

private:
    ApiRoutes routes_;
};

} // namespace tamberlink
