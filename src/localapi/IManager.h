#pragma once

#include "localapi/ApiHost.h"
#include "localapi/IRequest.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace tamberlink {

using RouteHandler = std::function<void(IRequest&)>;

// How a route is used: what the user is asked about for a web page, and the content type of
// the route's replies (a refused web page is answered in it).
struct RouteUse {
    ApiPurpose purpose = ApiPurpose::Dial;
    std::string_view contentType;
};

// The HTTP server and its route table, seen from the code that registers routes.
class IManager {
public:
    virtual ~IManager() = default;

    // Starts listening on 127.0.0.1:`port`; false when the port cannot be bound.
    virtual bool StartServer(std::uint16_t port) = 0;
    // Routes match the request path exactly and case-sensitively. Adding a path again
    // replaces its handler. `owner` identifies the handler's object for RemoveRoutesOf.
    virtual void AddRoute(const std::string& path, const void* owner, RouteUse use,
                          RouteHandler handler) = 0;
    virtual void RemoveRoutesOf(const void* owner) = 0;
    virtual void RemoveRoute(const std::string& path) = 0;
};

} // namespace tamberlink
