#pragma once

#include "localapi/ApiReplies.h"
#include "localapi/ConnectionServer.h"
#include "localapi/RouteTable.h"

#include <map>
#include <mutex>
#include <set>

namespace tamberlink {

class ApiHost;
class CHttpParser;
class OutgoingStream;
class StreamWriter;

// The HTTP side of the connection server: requests are taken off each connection as they
// come whole, each handed to the handler of its path, and their replies go out in order.
// The connection stays for further requests unless the client asks otherwise. A refused,
// malformed or oversized request, a path without a route and a request naming a foreign
// host get no reply at all: the connection is closed after the replies before it. A head
// HTTP/1.1 forbids is answered 400 before the connection closes.
//
// Requests of programs are served at once. A web page's request is served only when the
// user allows its origin the route's purpose: the host is asked, the request (and those
// after it on its connection) waits for the answer, at most askLimit, and a refusal is
// answered in the route's content type. A browser's prefetch or prerender is refused at
// once; the browser's own navigation is handled as a request for the user to confirm.
class CWebServer : public ConnectionServer {
public:
    static constexpr std::chrono::milliseconds kAskLimit{60000};

    CWebServer(const RouteTable& routes, ApiHost& host,
               std::chrono::milliseconds idleLimit = kIdleLimit,
               std::chrono::milliseconds askLimit = kAskLimit);
    ~CWebServer() override;

    // Sends `head` and keeps the connection for `stream` (IRequest::StartStream).
    std::shared_ptr<StreamWriter> StartStream(Connection& connection, std::string_view head,
                                              std::shared_ptr<OutgoingStream> stream);

protected:
    ReadResult OnReadCompleted(Connection& connection, std::string_view received) override;
    void OnWriteCompleted(Connection& connection) override;
    void OnConnectionClosing(Connection& connection) override;

private:
    struct Held;

    // Runs the route's handler; what the connection does next.
    ReadResult::Next Dispatch(Connection& connection, const CHttpParser& parser,
                              const RouteTable::Route& route, const std::string& pageOrigin,
                              bool confirmFirst = false);
    // Answers a web request that is not served with `reply`, in the route's content type.
    ReadResult::Next Refuse(Connection& connection, const CHttpParser& parser,
                            const RouteTable::Route& route, ApiReply reply);
    // Holds the request until the user has answered for its origin.
    void Ask(Connection& connection, std::string_view request, RouteTable::Route route,
             std::string origin);
    // True for the call that decided.
    static bool Decide(CWebServer* server, const std::weak_ptr<Held>& waiting, bool allowed);
    void Answer(const Held& held, bool allowed);
    std::shared_ptr<OutgoingStream> StreamOf(Connection& connection, bool remove);

    const RouteTable& routes_;
    ApiHost& host_;
    const std::chrono::milliseconds askLimit_;
    std::mutex streamsMutex_;
    std::map<const Connection*, std::shared_ptr<OutgoingStream>> streams_;
    // The web pages' requests waiting for the user.
    std::mutex heldMutex_;
    std::set<std::shared_ptr<Held>> held_;
};

} // namespace tamberlink
