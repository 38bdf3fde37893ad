#include "localapi/LocalApi.h"

namespace tamberlink {

LocalApi::LocalApi(ApiHost& host, std::chrono::milliseconds idleLimit)
    : ManagerImpl(idleLimit)
    , routes_(*this, host) {}

LocalApi::~LocalApi() {
    StopServer();
}

} // namespace tamberlink
