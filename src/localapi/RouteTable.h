#pragma once

#include "localapi/IManager.h"

#include <map>
#include <shared_mutex>
#include <string>
#include <string_view>

namespace tamberlink {

// Path to handler. Read by the server's workers, changed by the code that owns the routes.
class RouteTable {
public:
    void Add(const std::string& path, const void* owner, RouteHandler handler);
    void RemoveOwner(const void* owner);
    void Remove(const std::string& path);
    // A copy of the path's handler (empty when none), so that no lock is held while it runs.
    RouteHandler Find(std::string_view path) const;

private:
    struct Route {
        const void* owner;
        RouteHandler handler;
    };

    mutable std::shared_mutex mutex_;
    std::map<std::string, Route, std::less<>> routes_;
};

} // namespace tamberlink
