#pragma once

#include "localapi/CWebServer.h"
#include "localapi/IManager.h"
#include "localapi/RouteTable.h"

namespace tamberlink {

// The HTTP server together with its route table.
class ManagerImpl : public IManager {
public:
    ManagerImpl(ApiHost& host, std::chrono::milliseconds idleLimit,
                std::chrono::milliseconds askLimit);

    bool StartServer(std::uint16_t port) override;
    void AddRoute(const std::string& path, const void* owner, RouteUse use,
                  RouteHandler handler) override;
    void RemoveRoutesOf(const void* owner) override;
    void RemoveRoute(const std::string& path) override;

    // Stops the server and joins its threads; requests being handled finish first.
    void StopServer();
    // The port listened on (useful after StartServer(0)); 0 when not listening.
    std::uint16_t Port() const;
    // Connections held at the moment.
    int ConnectionCount() const;
    // Runs `work` on a server thread after `delay`, unless the server stops first.
    void Schedule(std::chrono::milliseconds delay, std::function<void()> work);

private:
    RouteTable routes_;
    CWebServer server_; // after the table: it stops before the table goes
};

} // namespace tamberlink
