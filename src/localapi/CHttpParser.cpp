#include "localapi/CHttpParser.h"

#include "localapi/HttpText.h"

#include <algorithm>
#include <limits>

namespace tamberlink {
namespace {

constexpr std::string_view kCrLf = "\r\n";
constexpr std::string_view kHeaderEnd = "\r\n\r\n";

using http::EqualsIgnoringCase;
using http::Lower;
using http::TrimBlanks;

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// Calls `take(name, value)` for each header line of `head` (the request line, the header
// lines and the empty line). The value goes without the blanks around it; a line without a
// colon ends the headers, for the framing and the parser alike. False, with nothing more
// taken, at a line HTTP/1.1 forbids: a name that ends in a blank, a line folded onto the one
// before (RFC 9112, 5.1 and 5.2), since a server that reads these otherwise than the client
// meant could take a header for another.
template <typename Take>
bool ScanHeaders(std::string_view head, Take take) {
    std::size_t pos = head.find(kCrLf);
    while (pos != std::string_view::npos) {
        pos += kCrLf.size();
        const std::size_t end = head.find(kCrLf, pos);
        const std::string_view line = head.substr(pos, end - pos);
        if (!line.empty() && IsBlank(line.front())) {
            return false;
        }
        const std::size_t colon = line.find(':');
        if (line.empty() || colon == std::string_view::npos) {
            return true;
        }
        if (colon == 0 || IsBlank(line[colon - 1])) {
            return false;
        }
        take(line.substr(0, colon), TrimBlanks(line.substr(colon + 1)));
        pos = end;
    }
    return true;
}

// Reads a Content-Length value the way atoi does (leading blanks, then digits up to the
// first other character, nothing at all reads as 0), except that a negative value is
// refused and a value too large to matter is capped: it is over any bound anyway.
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

// True when `data` starts with `prefix`, or is a beginning of it that more bytes may finish.
bool MayStartWith(std::string_view data, std::string_view prefix) {
    return data.size() >= prefix.size() ? data.starts_with(prefix) : prefix.starts_with(data);
}

// Whether the comma-separated Connection value holds `token`.
bool HasToken(std::string_view value, std::string_view token) {
    while (!value.empty()) {
        const std::size_t comma = value.find(',');
        if (EqualsIgnoringCase(TrimBlanks(value.substr(0, comma)), token)) {
            return true;
        }
        value = comma == std::string_view::npos ? std::string_view() : value.substr(comma + 1);
    }
    return false;
}

} // namespace

CHttpParser::Frame CHttpParser::Measure(std::string_view data) {
    using Status = Frame::Status;
    if (!MayStartWith(data, "GET ") && !MayStartWith(data, "POST ") &&
        !MayStartWith(data, "HTTP/")) {
        return {Status::Bad, 0};
    }
    const std::size_t headerEnd = data.substr(0, kMaxRequest).find(kHeaderEnd);
    if (headerEnd == std::string_view::npos) {
        return {data.size() >= kMaxRequest ? Status::Bad : Status::Incomplete, 0};
    }
    const std::size_t headLength = headerEnd + kHeaderEnd.size();
    std::size_t bodyLength = 0;
    bool seen = false;
    bool bad = false;
    const bool valid =
        ScanHeaders(data.substr(0, headLength), [&](std::string_view name, std::string_view value) {
            if (EqualsIgnoringCase(name, "transfer-encoding")) {
                bad = true;
            } else if (EqualsIgnoringCase(name, "content-length")) {
                std::size_t length = 0;
                // Two lengths that disagree leave the end of the request in doubt.
                bad = bad || !ReadLength(value, length) || (seen && length != bodyLength);
                bodyLength = length;
                seen = true;
            }
        });
    if (!valid) {
        return {Status::Invalid, 0};
    }
    if (bad || bodyLength > kMaxRequest - headLength) {
        return {Status::Bad, 0};
    }
    if (data.size() - headLength < bodyLength) {
        return {Status::Incomplete, 0};
    }
    return {Status::Complete, headLength + bodyLength};
}

CHttpParser::CHttpParser(std::string_view data) {
    if (!Parse(data)) {
        headers_.clear();
        requestLine_.clear();
        body_ = {};
        method_ = Method::None;
        path_.clear();
        query_.reset();
        params_ = CHttpParamParser();
        keepAlive_ = false;
    }
}

const std::string* CHttpParser::Header(std::string_view name) const {
    std::string key(name);
    std::transform(key.begin(), key.end(), key.begin(), Lower);
    const auto it = headers_.find(key);
    return it == headers_.end() ? nullptr : &it->second;
}

bool CHttpParser::Parse(std::string_view data) {
    const Frame frame = Measure(data);
    if (frame.status != Frame::Status::Complete) {
        return false;
    }
    data = data.substr(0, frame.length);
    // An apostrophe anywhere refuses the whole request; callers rely on that refusal.
    if (data.find('\'') != std::string_view::npos) {
        return false;
    }
    const bool isGet = data.starts_with("GET ");
    const bool isPost = data.starts_with("POST ");
    const std::size_t headLength = data.find(kHeaderEnd) + kHeaderEnd.size();

    const std::size_t lineEnd = data.find(kCrLf);
    const std::string_view line = data.substr(0, lineEnd);
    if (line.size() < 10) {
        return false;
    }
    requestLine_ = line;
    ScanHeaders(data.substr(0, headLength), [this](std::string_view name, std::string_view value) {
        std::string key(name);
        std::transform(key.begin(), key.end(), key.begin(), Lower);
        headers_.emplace(std::move(key), value);
    });
    body_ = data.substr(headLength);

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
    const std::string* connection = Header("connection");
    const bool http10 = target.substr(version) == " HTTP/1.0";
    keepAlive_ = connection == nullptr ? !http10
                 : http10              ? HasToken(*connection, "keep-alive")
                                       : !HasToken(*connection, "close");
    target = target.substr(0, version);
    const std::size_t question = target.find('?');
    path_ = target.substr(0, question);
    if (question != std::string_view::npos) {
        query_ = std::string(target.substr(question + 1));
        params_.Parse(*query_);
    } else if (isPost) {
        params_.Parse(body_);
    }
    return true;
}

} // namespace tamberlink
