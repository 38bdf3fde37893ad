#pragma once

#include "localapi/ConnectionServer.h"

namespace tamberlink {

class CHttpParser;
class RouteTable;

// The HTTP side of the connection server: requests are taken off each connection as they
// come whole, each handed to the handler of its path, and their replies go out in order.
// The connection stays for further requests unless the client asks otherwise. A refused,
// malformed or oversized request, a path without a route and a request naming a foreign
// host get no reply at all: the connection is closed after the replies before it.
class CWebServer : public ConnectionServer {
public:
    explicit CWebServer(const RouteTable& routes, std::chrono::milliseconds idleLimit = kIdleLimit);
    ~CWebServer() override;

protected:
    ReadResult OnReadCompleted(Connection& connection, std::string_view received) override;

private:
    // Serves one whole request; false when it gets no reply.
    bool Serve(Connection& connection, std::string_view request, const CHttpParser& parser);

    const RouteTable& routes_;
};

} // namespace tamberlink
