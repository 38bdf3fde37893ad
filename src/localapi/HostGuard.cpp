#include "localapi/HostGuard.h"

#include <algorithm>

namespace tamberlink {
namespace {

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) { return Lower(x) == Lower(y); });
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    return text;
}

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
            EqualsIgnoringCase(Trim(line.substr(0, colon)), "host") &&
            !IsLoopbackName(Trim(line.substr(colon + 1)))) {
            return false;
        }
        pos = end;
    }
    return true;
}

} // namespace tamberlink
