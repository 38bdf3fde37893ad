#include "localapi/LocalApi.h"

namespace tamberlink {

LocalApi::LocalApi(ApiHost& host, std::chrono::milliseconds idleLimit)
    : manager_(idleLimit)
    , routes_(manager_, host) {}

LocalApi::~LocalApi() {
    Stop();
}

bool LocalApi::Start(std::uint16_t port) {
    return manager_.StartServer(port);
}

void LocalApi::Stop() {
    manager_.StopServer();
}

std::uint16_t LocalApi::Port() const {
    return manager_.Port();
}

int LocalApi::ConnectionCount() const {
    return manager_.ConnectionCount();
}

} // namespace tamberlink
