#include "localapi/CWebServer.h"

#include "localapi/ApiHost.h"
#include "localapi/ApiLog.h"
#include "localapi/ApiReplies.h"
#include "localapi/CHttpParser.h"
#include "localapi/CHttpResponseMaker.h"
#include "localapi/HostGuard.h"
#include "localapi/RequestImpl.h"
#include "localapi/RequestOrigin.h"

#include <atomic>

namespace tamberlink {
namespace {

// The writing end of a stream: sends on the connection through the server.
class ConnectionWriter : public StreamWriter {
public:
    ConnectionWriter(ConnectionServer& server, std::shared_ptr<Connection> connection)
        : server_(server)
        , connection_(std::move(connection)) {}

    bool Write(std::string_view bytes) override { return server_.Send(*connection_, bytes); }
    std::size_t Pending() override { return server_.PendingSends(*connection_); }
    void Close() override { server_.Close(*connection_); }

private:
    ConnectionServer& server_;
    std::shared_ptr<Connection> connection_;
};

} // namespace

// A web page's request waiting for the user's answer, kept by the server until it is
// decided.
struct CWebServer::Held {
    std::shared_ptr<Connection> connection;
    std::string request;
    RouteTable::Route route;
    std::string origin;
    Poster post;
    std::atomic<bool> decided{false};
};

CWebServer::CWebServer(const RouteTable& routes, ApiHost& host, std::chrono::milliseconds idleLimit,
                       std::chrono::milliseconds askLimit)
    : ConnectionServer(idleLimit)
    , routes_(routes)
    , host_(host)
    , askLimit_(askLimit) {}

CWebServer::~CWebServer() {
    Stop();
}

ConnectionServer::ReadResult CWebServer::OnReadCompleted(Connection& connection,
                                                         std::string_view received) {
    using Next = ReadResult::Next;
    const CHttpParser::Frame frame = CHttpParser::Measure(received);
    switch (frame.status) {
    case CHttpParser::Frame::Status::Incomplete:
        return {0, Next::Read};
    case CHttpParser::Frame::Status::Bad:
        qCDebug(lcLocalApi, "request refused (%zu bytes received)", received.size());
        return {0, Next::Close};
    case CHttpParser::Frame::Status::Invalid:
        qCDebug(lcLocalApi, "request with a forbidden header line answered 400");
        Send(connection, CHttpResponseMaker::BadRequest());
        return {0, Next::Close};
    case CHttpParser::Frame::Status::Complete:
        break;
    }
    const std::string_view request = received.substr(0, frame.length);
    const CHttpParser parser(request);
    if (parser.Path().empty()) {
        qCDebug(lcLocalApi, "request refused (%zu bytes)", request.size());
        return {frame.length, Next::Close};
    }
    if (!IsLoopbackHost(request)) {
        qCDebug(lcLocalApi, "request for a foreign host refused");
        return {frame.length, Next::Close};
    }
    RouteTable::Route route = routes_.Find(parser.Path());
    if (!route.handler) {
        qCDebug(lcLocalApi, "no route for %s", parser.Path().c_str());
        return {frame.length, Next::Close};
    }
    RequestOrigin from = OriginOf(parser);
    switch (from.kind) {
    case RequestOrigin::Kind::Program:
        return {frame.length, Dispatch(connection, parser, route, {})};
    case RequestOrigin::Kind::Speculative:
        qCDebug(lcLocalApi, "browser's prefetch of %s refused", parser.Path().c_str());
        return {frame.length, Refuse(connection, parser, route, ApiReply::SpeculationRefused)};
    case RequestOrigin::Kind::Navigation:
        qCDebug(lcLocalApi, "browser's navigation to %s offered to the user",
                parser.Path().c_str());
        return {frame.length, Dispatch(connection, parser, route, {}, true)};
    case RequestOrigin::Kind::UnknownPage:
        qCDebug(lcLocalApi, "request of a web page without an origin refused");
        return {frame.length, Refuse(connection, parser, route, ApiReply::PageRefused)};
    case RequestOrigin::Kind::WebPage:
        break;
    }
    Ask(connection, request, std::move(route), std::move(from.origin));
    return {frame.length, Next::Hold};
}

ConnectionServer::ReadResult::Next CWebServer::Dispatch(Connection& connection,
                                                        const CHttpParser& parser,
                                                        const RouteTable::Route& route,
                                                        const std::string& pageOrigin,
                                                        bool confirmFirst) {
    RequestImpl request(parser, *this, connection, pageOrigin, confirmFirst);
    route.handler(request);
    if (request.Streaming()) {
        return ReadResult::Next::Stream;
    }
    return parser.KeepAlive() ? ReadResult::Next::Read : ReadResult::Next::Close;
}

ConnectionServer::ReadResult::Next CWebServer::Refuse(Connection& connection,
                                                      const CHttpParser& parser,
                                                      const RouteTable::Route& route,
                                                      ApiReply reply) {
    Send(connection, CHttpResponseMaker::Make(ReplyBody(reply), route.use.contentType));
    return parser.KeepAlive() ? ReadResult::Next::Read : ReadResult::Next::Close;
}

void CWebServer::Ask(Connection& connection, std::string_view request, RouteTable::Route route,
                     std::string origin) {
    auto held = std::make_shared<Held>();
    held->connection = Share(connection);
    held->request = request;
    held->route = std::move(route);
    held->origin = std::move(origin);
    held->post = MakePoster();
    {
        std::lock_guard lock(heldMutex_);
        held_.insert(held);
    }
    // The host and the time limit hold the request weakly: what the server no longer waits
    // for is gone, however long the host keeps its question.
    const std::weak_ptr<Held> waiting = held;
    const std::uint64_t ticket =
        host_.AskOrigin(held->origin, held->route.use.purpose,
                        [this, waiting](bool allowed) { Decide(this, waiting, allowed); });
    if (ticket != 0) {
        // A request that gives up holds nothing: its place in the question is given back.
        Schedule(askLimit_, [this, waiting, ticket] {
            if (Decide(this, waiting, false)) {
                host_.WithdrawAsk(ticket);
            }
        });
    }
}

// The first of the answer and the time limit decides. `server` is used only on a worker,
// while the server runs: once it has stopped nothing of it is reached.
bool CWebServer::Decide(CWebServer* server, const std::weak_ptr<Held>& waiting, bool allowed) {
    const std::shared_ptr<Held> held = waiting.lock();
    if (held == nullptr || held->decided.exchange(true)) {
        return false;
    }
    held->post([server, held, allowed] { server->Answer(*held, allowed); });
    return true;
}

void CWebServer::Answer(const Held& held, bool allowed) {
    {
        std::lock_guard lock(heldMutex_);
        std::erase_if(held_, [&held](const std::shared_ptr<Held>& h) { return h.get() == &held; });
    }
    const CHttpParser parser(held.request);
    qCDebug(lcLocalApi, "web page %s %s", held.origin.c_str(), allowed ? "allowed" : "refused");
    Resume(held.connection,
           allowed ? Dispatch(*held.connection, parser, held.route, held.origin)
                   : Refuse(*held.connection, parser, held.route, ApiReply::PageRefused));
}

std::shared_ptr<StreamWriter> CWebServer::StartStream(Connection& connection, std::string_view head,
                                                      std::shared_ptr<OutgoingStream> stream) {
    {
        std::lock_guard lock(streamsMutex_);
        streams_[&connection] = std::move(stream);
    }
    if (!Send(connection, head)) {
        StreamOf(connection, true);
        return nullptr;
    }
    return std::make_shared<ConnectionWriter>(*this, Share(connection));
}

std::shared_ptr<OutgoingStream> CWebServer::StreamOf(Connection& connection, bool remove) {
    std::lock_guard lock(streamsMutex_);
    const auto it = streams_.find(&connection);
    if (it == streams_.end()) {
        return nullptr;
    }
    std::shared_ptr<OutgoingStream> stream = it->second;
    if (remove) {
        streams_.erase(it);
    }
    return stream;
}

void CWebServer::OnWriteCompleted(Connection& connection) {
    if (const std::shared_ptr<OutgoingStream> stream = StreamOf(connection, false)) {
        stream->OnWritten();
    }
}

void CWebServer::OnConnectionClosing(Connection& connection) {
    if (const std::shared_ptr<OutgoingStream> stream = StreamOf(connection, true)) {
        stream->OnClosed();
    }
}

} // namespace tamberlink
