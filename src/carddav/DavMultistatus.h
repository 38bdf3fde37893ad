#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tamberlink {

// One <response> of a WebDAV multistatus: a resource, its status (a member's own <status>
// or the status of the propstat that carried its properties) and the properties CardDAV
// needs. Hrefs are as the server wrote them.
struct DavResource {
    std::string href;
    int status = 0; // 0 when the response said none
    std::string etag;
    std::string displayName;
    bool collection = false;
    bool addressBook = false;
    std::string principal;   // current-user-principal
    std::string addressHome; // addressbook-home-set
    std::string addressData; // the card of a multiget
};

struct DavMultistatus {
    std::vector<DavResource> resources;
    std::string syncToken;
    std::string error; // why the body is no multistatus; empty when it is one
};

// Reads a multistatus body. Elements are matched by their local names (whatever prefix the
// server binds the DAV: and CardDAV namespaces to); anything that is no well-formed
// multistatus gives `error` and no resources.
DavMultistatus ReadMultistatus(std::string_view body);

// "HTTP/1.1 404 Not Found" is 404; 0 for a line that is no status line.
int StatusOfLine(std::string_view line);

} // namespace tamberlink
