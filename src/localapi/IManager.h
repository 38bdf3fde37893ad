#pragma once

#include "localapi/IRequest.h"

#include <cstdint>
#include <functional>
#include <string>

namespace tamberlink {

using RouteHandler = std::function<void(IRequest&)>;

// The HTTP server and its route table, seen from the code that registers routes.
class IManager {
public:
    virtual ~IManager() = default;

    // Starts listening on 127.0.0.1:`port`; false when the port cannot be bound.
    virtual bool StartServer(std::uint16_t port) = 0;
    // Routes match the request path exactly and case-sensitively. Adding a path again
    // replaces its handler. `owner` identifies the handler's object for RemoveRoutesOf.
    virtual void AddRoute(const std::string& path, const void* owner, RouteHandler handler) = 0;
    virtual void RemoveRoutesOf(const void* owner) = 0;
    virtual void RemoveRoute(const std::string& path) = 0;
};

} // namespace tamberlink
