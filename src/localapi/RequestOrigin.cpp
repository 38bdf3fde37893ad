#include "localapi/RequestOrigin.h"

#include "localapi/CHttpParser.h"
#include "localapi/HttpText.h"

#include <libpsl.h>

#include <algorithm>

namespace tamberlink {
namespace {

constexpr std::size_t kMaxOrigin = 255;

bool IsHostCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '[' ||
           c == ']' || c == ':';
}

} // namespace

std::string OriginOfUrl(std::string_view url) {
    std::string_view scheme;
    for (std::string_view candidate : {"http://", "https://"}) {
        if (url.size() >= candidate.size() &&
            http::EqualsIgnoringCase(url.substr(0, candidate.size()), candidate)) {
            scheme = candidate;
        }
    }
    if (scheme.empty()) {
        return {};
    }
    url.remove_prefix(scheme.size());
    const std::string_view given = url.substr(0, url.find_first_of("/?#"));
    if (given.size() > kMaxOrigin) {
        return {};
    }
    std::string lower(given);
    std::transform(lower.begin(), lower.end(), lower.begin(), http::Lower);
    const std::string_view authority = lower;
    // A user name and password before the host are no part of the origin; browsers never
    // send them, and a value that has them is not taken.
    if (authority.empty() || !std::all_of(authority.begin(), authority.end(), IsHostCharacter)) {
        return {};
    }
    // The port, when given, is digits only; the default one is left out.
    std::string_view host = authority;
    std::string_view port;
    const std::size_t colon = authority.rfind(':');
    const std::size_t bracket = authority.rfind(']');
    if (colon != std::string_view::npos && (bracket == std::string_view::npos || colon > bracket)) {
        host = authority.substr(0, colon);
        port = authority.substr(colon + 1);
        if (port.empty() || port.size() > 5 ||
            !std::all_of(port.begin(), port.end(), [](char c) { return c >= '0' && c <= '9'; })) {
            return {};
        }
    }
    const bool bracketed = !host.empty() && host.front() == '[' && host.back() == ']';
    if (host.empty() || (host.find(':') != std::string_view::npos && !bracketed)) {
        return {};
    }
    const bool defaultPort =
        (scheme == "http://" && port == "80") || (scheme == "https://" && port == "443");
    std::string origin = std::string(scheme) + std::string(host);
    if (!port.empty() && !defaultPort) {
        origin += ':';
        origin += port;
    }
    return origin;
}

RequestOrigin OriginOf(const CHttpParser& request) {
    using Kind = RequestOrigin::Kind;
    // Chromium's speculation rules send prefetches and prerenders as navigations of the
    // user's own (Sec-Fetch-Site "none"): only this mark tells them apart.
    if (request.Header("sec-purpose") != nullptr || request.Header("purpose") != nullptr) {
        return {Kind::Speculative, {}};
    }
    const auto fromValue = [](const std::string& value) {
        std::string origin = OriginOfUrl(value);
        return origin.empty() ? RequestOrigin{Kind::UnknownPage, {}}
                              : RequestOrigin{Kind::WebPage, std::move(origin)};
    };
    if (const std::string* origin = request.Header("origin")) {
        return fromValue(*origin);
    }
    const std::string* site = request.Header("sec-fetch-site");
    if (site != nullptr && *site == "none") {
        return {Kind::Navigation, {}};
    }
    if (const std::string* referer = request.Header("referer")) {
        return fromValue(*referer);
    }
    // A browser that sends these headers sends Sec-Fetch-Site with every request; a lone
    // Sec-Fetch-Mode is what Node's fetch sends, a program's.
    for (const char* mark : {"sec-fetch-site", "sec-fetch-dest", "sec-fetch-user"}) {
        if (request.Header(mark) != nullptr) {
            return {Kind::UnknownPage, {}};
        }
    }
    return {};
}

std::string SiteOfOrigin(std::string_view origin) {
    std::string_view host = origin.substr(std::min(origin.find("://"), origin.size()));
    host.remove_prefix(std::min<std::size_t>(3, host.size()));
    if (!host.empty() && host.front() == '[') {
        return std::string(host.substr(0, host.find(']') + 1));
    }
    host = host.substr(0, host.find(':'));
    const std::string name(host);
    const bool address = !name.empty() && std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= '0' && c <= '9') || c == '.';
    });
    if (address) {
        return name;
    }
    static const psl_ctx_t* const suffixes = psl_latest(nullptr);
    const char* registrable =
        suffixes != nullptr ? psl_registrable_domain(suffixes, name.c_str()) : nullptr;
    return registrable != nullptr ? std::string(registrable) : name;
}

} // namespace tamberlink
