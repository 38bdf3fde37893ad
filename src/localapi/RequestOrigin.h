#pragma once

#include <string>
#include <string_view>

namespace tamberlink {

class CHttpParser;

// Who is asking, as far as the request tells. A request that bears any of the marks browsers
// add (an Origin or a Referer, Sec-Fetch-Site, -Dest or -User, Sec-Purpose or Purpose) is a
// web request; programs (curl, scripts, Node's fetch, a CRM's server) send none of them. A page is
// known by its origin, "scheme://host[:port]" in lower case with the scheme's default port left
// out, the way browsers write the Origin header.
struct RequestOrigin {
    enum class Kind {
        Program,     // no browser's marks: served as it is
        Speculative, // a prefetch or a prerender the browser made on a page's word: refused
        Navigation,  // the browser's own navigation with no page named (an address typed, a
                     // link opened from another program, a redirect on from one): nothing is
                     // done before the user confirms it in Tamberlink
        WebPage,     // a web page of `origin`: served for what the user allows it
        UnknownPage, // marked as a web page whose origin cannot be told (an opaque "null"
                     // origin, a page that sends no referrer, a malformed value): refused
    };
    Kind kind = Kind::Program;
    std::string origin;
};

RequestOrigin OriginOf(const CHttpParser& request);

// The origin of a URL or an Origin header value; empty when it is not an http or https
// address of a plain host name or address.
std::string OriginOfUrl(std::string_view url);

// The site an origin belongs to, for limits that its subdomains must share: the registrable
// name of its host ("a.crm.example.com.cn" and "b.crm.example.com.cn" are both
// "example.com.cn") by the public suffix list, or the host itself when it is an address or
// has no registrable part.
std::string SiteOfOrigin(std::string_view origin);

} // namespace tamberlink
