#include "localapi/RouteTable.h"

#include <mutex>

namespace tamberlink {

void RouteTable::Add(const std::string& path, const void* owner, RouteUse use,
                     RouteHandler handler) {
    std::unique_lock lock(mutex_);
    routes_.insert_or_assign(path, Route{owner, use, std::move(handler)});
}

void RouteTable::RemoveOwner(const void* owner) {
    std::unique_lock lock(mutex_);
    std::erase_if(routes_, [owner](const auto& entry) { return entry.second.owner == owner; });
}

void RouteTable::Remove(const std::string& path) {
    std::unique_lock lock(mutex_);
    routes_.erase(path);
}

RouteTable::Route RouteTable::Find(std::string_view path) const {
    std::shared_lock lock(mutex_);
    const auto it = routes_.find(path);
    return it == routes_.end() ? Route() : it->second;
}

} // namespace tamberlink
