#include "localapi/ManagerImpl.h"

namespace tamberlink {

ManagerImpl::ManagerImpl(ApiHost& host, std::chrono::milliseconds idleLimit,
                         std::chrono::milliseconds askLimit)
    : server_(routes_, host, idleLimit, askLimit) {}

bool ManagerImpl::StartServer(std::uint16_t port) {
    return server_.Start(port);
}

void ManagerImpl::AddRoute(const std::string& path, const void* owner, RouteUse use,
                           RouteHandler handler) {
    routes_.Add(path, owner, use, std::move(handler));
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

void ManagerImpl::Schedule(std::chrono::milliseconds delay, std::function<void()> work) {
    server_.Schedule(delay, std::move(work));
}

} // namespace tamberlink
