#pragma once

#include "localapi/ConnectionServer.h"

namespace tamberlink {

class RouteTable;

// The HTTP side of the connection server: the first data of each connection is parsed as
// one request, handed to the handler of its path, and the connection is closed after the
// handler's reply has been sent. A refused or incomplete request, a path without a route
// and a request naming a foreign host get no reply at all.
class CWebServer : public ConnectionServer {
public:
    explicit CWebServer(const RouteTable& routes, std::chrono::milliseconds idleLimit = kIdleLimit);
    ~CWebServer() override;

protected:
    void OnConnectionEstablished(Connection& connection, std::string_view firstData) override;

private:
    const RouteTable& routes_;
};

} // namespace tamberlink
