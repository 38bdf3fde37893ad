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
    struct Route {
        const void* owner = nullptr;
        RouteUse use;
        RouteHandler handler;
    };

    void Add(const std::string& path, const void* owner, RouteUse use, RouteHandler handler);
    void RemoveOwner(const void* owner);
    void Remove(const std::string& path);
    // A copy of the path's route (its handler empty when none), so that no lock is held
    // while it runs.
    Route Find(std::string_view path) const;

private:
    mutable std::shared_mutex mutex_;
    std::map<std::string, Route, std::less<>> routes_;
};

} // namespace tamberlink
