#include "localapi/CWebServer.h"

#include "localapi/ApiLog.h"
#include "localapi/CHttpParser.h"
#include "localapi/HostGuard.h"
#include "localapi/RequestImpl.h"
#include "localapi/RouteTable.h"

namespace tamberlink {

CWebServer::CWebServer(const RouteTable& routes, std::chrono::milliseconds idleLimit)
    : ConnectionServer(idleLimit)
    , routes_(routes) {}

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
    case CHttpParser::Frame::Status::Complete:
        break;
    }
    const std::string_view request = received.substr(0, frame.length);
    const CHttpParser parser(request);
    if (!Serve(connection, request, parser)) {
        return {frame.length, Next::Close};
    }
    return {frame.length, parser.KeepAlive() ? Next::Read : Next::Close};
}

bool CWebServer::Serve(Connection& connection, std::string_view request,
                       const CHttpParser& parser) {
    if (parser.Path().empty()) {
        qCDebug(lcLocalApi, "request refused (%zu bytes)", request.size());
        return false;
    }
    if (!IsLoopbackHost(request)) {
        qCDebug(lcLocalApi, "request for a foreign host refused");
        return false;
    }
    const RouteHandler handler = routes_.Find(parser.Path());
    if (!handler) {
        qCDebug(lcLocalApi, "no route for %s", parser.Path().c_str());
        return false;
    }
    RequestImpl impl(parser, *this, connection);
    handler(impl);
    return true;
}

} // namespace tamberlink
