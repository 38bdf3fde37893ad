#pragma once

#include <string>
#include <string_view>

namespace tamberlink {

class CHttpParser;

// Who is asking, as far as the request tells. Browsers mark what a web page sends with an
// Origin header, Sec-Fetch-Site or a Referer; programs (curl, scripts, a CRM's server) send
// none of them. A page is known by its origin, "scheme://host[:port]" in lower case with the
// scheme's default port left out, the way browsers write the Origin header.
struct RequestOrigin {
    enum class Kind {
        Program,     // no browser's marks: served as it is
        WebPage,     // a web page of `origin`
        UnknownPage, // marked as a web page whose origin cannot be told (an opaque "null"
                     // origin, a page that sends no referrer, a malformed value): refused
    };
    Kind kind = Kind::Program;
    std::string origin;
};

// Sec-Fetch-Site "none" is a request the user made by typing or picking the address in the
// browser: it counts as the user's own, like a program's.
RequestOrigin OriginOf(const CHttpParser& request);

// The origin of a URL or an Origin header value; empty when it is not an http or https
// address of a plain host name or address.
std::string OriginOfUrl(std::string_view url);

} // namespace tamberlink
