#include "localapi/HostGuard.h"

#include "localapi/HttpText.h"

#include <algorithm>

namespace tamberlink {
namespace {

using http::EqualsIgnoringCase;
using http::TrimBlanks;

bool IsLoopbackName(std::string_view host) {
    const std::size_t colon = host.find(':');
    if (colon != std::string_view::npos) {
        const std::string_view port = host.substr(colon + 1);
        if (port.empty() || port.size() > 5 ||
            !std::all_of(port.begin(), port.end(), [](char c) { return c >= '0' && c <= '9'; })) {
            return false;
        }
        host = host.substr(0, colon);
    }
    return host == "127.0.0.1" || EqualsIgnoringCase(host, "localhost");
}

} // namespace

bool IsLoopbackHost(std::string_view request) {
    const std::size_t headEnd = request.find("\r\n\r\n");
    if (headEnd != std::string_view::npos) {
        request = request.substr(0, headEnd);
    }
    std::size_t pos = request.find("\r\n");
    while (pos != std::string_view::npos) {
        pos += 2;
        const std::size_t end = request.find("\r\n", pos);
        const std::string_view line = request.substr(pos, end - pos);
        const std::size_t colon = line.find(':');
        if (colon != std::string_view::npos &&
            EqualsIgnoringCase(TrimBlanks(line.substr(0, colon)), "host") &&
            !IsLoopbackName(TrimBlanks(line.substr(colon + 1)))) {
            return false;
        }
        pos = end;
    }
    return true;
}

} // namespace tamberlink
