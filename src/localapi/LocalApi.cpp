#include "localapi/LocalApi.h"

#include "localapi/ApiHost.h"

namespace tamberlink {

LocalApi::LocalApi(ApiHost& host, Limits limits)
    : ManagerImpl(host, limits.idle, limits.ask)
    , routes_(*this, host)
    , events_(*this, host.Events(), limits.keepAlive) {}

LocalApi::~LocalApi() {
    StopServer();
}

} // namespace tamberlink
