#include "localapi/CHttpParser.h"

#include <limits>

namespace tamberlink {
namespace {

constexpr std::string_view kCrLf = "\r\n";
constexpr std::string_view kHeaderEnd = "\r\n\r\n";
constexpr std::string_view kContentLength = "Content-Length: ";

// Reads a Content-Length value the way atoi does (leading blanks, then digits up to the
// first other character, nothing at all reads as 0), except that a negative value is
// refused and a value too large to matter is capped: it can never be complete anyway.
bool ReadLength(std::string_view text, std::size_t& length) {
    std::size_t pos = 0;
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) {
        ++pos;
    }
    if (pos < text.size() && (text[pos] == '-' || text[pos] == '+')) {
        if (text[pos] == '-') {
            return false;
        }
        ++pos;
    }
    constexpr std::size_t kCap = std::numeric_limits<std::size_t>::max() / 16;
    length = 0;
    for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos) {
        length = length * 10 + static_cast<std::size_t>(text[pos] - '0');
        if (length > kCap) {
            length = kCap;
            break;
        }
    }
    return true;
}

} // namespace

CHttpParser::CHttpParser(std::string_view data) {
    if (!Parse(data)) {
        headers_.clear();
        requestLine_.clear();
        body_ = {};
        method_ = Method::None;
        path_.clear();
        query_.reset();
        params_ = CHttpParamParser();
    }
}

const std::string* CHttpParser::Header(const std::string& name) const {
    const auto it = headers_.find(name);
    return it == headers_.end() ? nullptr : &it->second;
}

bool CHttpParser::Parse(std::string_view data) {
    // An apostrophe anywhere refuses the whole request; callers rely on that refusal.
    if (data.find('\'') != std::string_view::npos) {
        return false;
    }
    const bool isGet = data.starts_with("GET ");
    const bool isPost = data.starts_with("POST ");
    const bool isStatus = data.starts_with("HTTP/");
    if (!isGet && !isPost && !isStatus) {
        return false;
    }

    // Completeness: the whole head and the announced body must be here.
    const std::size_t headerEnd = data.find(kHeaderEnd);
    if (headerEnd == std::string_view::npos) {
        return false;
    }
    const std::size_t headerLength = headerEnd + kHeaderEnd.size();
    std::size_t bodyLength = 0;
    if (isPost || isStatus) {
        const std::string_view head = data.substr(0, headerLength);
        const std::size_t at = head.find(kContentLength);
        if (at != std::string_view::npos) {
            const std::size_t from = at + kContentLength.size();
            const std::string_view value = head.substr(from, head.find(kCrLf, from) - from);
            if (!ReadLength(value, bodyLength)) {
                return false;
            }
        }
    }
    if (data.size() - headerLength < bodyLength) {
        return false;
    }

    const std::size_t lineEnd = data.find(kCrLf);
    const std::string_view line = data.substr(0, lineEnd);
    if (line.size() >= kRequestLineCapacity || line.size() < 10) {
        return false;
    }
    requestLine_ = line;

    // Header lines up to the empty line; a line without ": " ends the scan.
    std::size_t pos = lineEnd + kCrLf.size();
    while (pos < headerLength) {
        const std::size_t end = data.find(kCrLf, pos);
        const std::string_view header = data.substr(pos, end - pos);
        const std::size_t colon = header.find(": ");
        if (header.empty() || colon == std::string_view::npos) {
            break;
        }
        headers_.emplace(header.substr(0, colon), header.substr(colon + 2));
        pos = end + kCrLf.size();
    }
    body_ = data.substr(headerLength, bodyLength);

    std::string_view target;
    if (isGet) {
        method_ = Method::Get;
        target = line.substr(4);
    } else if (isPost) {
        method_ = Method::Post;
        target = line.substr(5);
    } else {
        // A status line is recognised but names no path, so no route ever takes it.
        method_ = Method::Status;
        return true;
    }
    const std::size_t version = target.find(" HTTP");
    if (version == std::string_view::npos) {
        return false;
    }
    target = target.substr(0, version);
    const std::size_t question = target.find('?');
    path_ = target.substr(0, question);
    if (question != std::string_view::npos) {
        query_ = std::string(target.substr(question + 1));
        params_.Parse(*query_);
    } else {
        params_.Parse(body_);
    }
    return true;
}

} // namespace tamberlink
