#include "localapi/ManagerImpl.h"

namespace tamberlink {

ManagerImpl::ManagerImpl(std::chrono::milliseconds idleLimit)
    : server_(routes_, idleLimit) {}

bool ManagerImpl::StartServer(std::uint16_t port) {
    return server_.Start(port);
}

void ManagerImpl::AddRoute(const std::string& path, const void* owner, RouteHandler handler) {
    routes_.Add(path, owner, std::move(handler));
}

void ManagerImpl::RemoveRoutesOf(const void* owner) {
    routes_.RemoveOwner(owner);
}

void ManagerImpl::RemoveRoute(const std::string& path) {
    routes_.Remove(path);
}

void ManagerImpl::StopServer() {
    server_.Stop();
}

std::uint16_t ManagerImpl::Port() const {
    return server_.Port();
}

int ManagerImpl::ConnectionCount() const {
    return server_.ConnectionCount();
}

} // namespace tamberlink
