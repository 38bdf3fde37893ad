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

void CWebServer::OnConnectionEstablished(Connection& connection, std::string_view firstData) {
    const CHttpParser parser(firstData);
    if (parser.Path().empty()) {
        qCDebug(lcLocalApi, "request refused or incomplete (%zu bytes)", firstData.size());
        return;
    }
    if (!IsLoopbackHost(firstData)) {
        qCDebug(lcLocalApi, "request for a foreign host refused");
        return;
    }
    const RouteHandler handler = routes_.Find(parser.Path());
    if (!handler) {
        qCDebug(lcLocalApi, "no route for %s", parser.Path().c_str());
        return;
    }
    RequestImpl request(parser, *this, connection);
    handler(request);
}

} // namespace tamberlink
