#pragma once

#include "localapi/CHttpParamParser.h"

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace tamberlink {

// One HTTP request parsed from its exact bytes: the head, then the body Content-Length
// announces. A request that is refused, malformed or incomplete leaves everything empty
// (the path above all, so that no route matches it); there is no partial result. The body
// refers into `data`, which must outlive the parser.
class CHttpParser {
public:
    enum class Method { None = 0, Get = 1, Post = 2, Status = 3 };

    // The longest request taken, head and body together; longer ones are refused.
    static constexpr std::size_t kMaxRequest = 32768;

    // Where the first request of a byte stream ends.
    struct Frame {
        // Invalid is a head HTTP/1.1 tells a server to answer with 400 (whitespace between a
        // header name and its colon, a header line folded onto the next); Bad gets no answer.
        enum class Status { Incomplete, Complete, Bad, Invalid };
        Status status = Status::Incomplete;
        std::size_t length = 0; // of a complete request, head and body
    };
    // Incomplete until the head and the body it announces have arrived; Bad as soon as the
    // bytes cannot begin a request this server takes (another method, a head or body beyond
    // kMaxRequest, a negative or doubtful length, a body sent in chunks).
    static Frame Measure(std::string_view data);

    explicit CHttpParser(std::string_view data);

    Method GetMethod() const { return method_; }
    const std::string& Path() const { return path_; }
    const std::optional<std::string>& Query() const { return query_; }
    const std::string& RequestLine() const { return requestLine_; }
    // The value of header `name`, matched without regard to case (the first of equal names),
    // or nullptr.
    const std::string* Header(std::string_view name) const;
    // The body as announced by Content-Length. GET bodies are taken off the stream but not
    // read for parameters.
    std::string_view Body() const { return body_; }
    const CHttpParamParser& Params() const { return params_; }
    // The client wants the connection kept for another request: HTTP/1.1 unless it says
    // "Connection: close", HTTP/1.0 only when it says "Connection: keep-alive".
    bool KeepAlive() const { return keepAlive_; }

private:
    bool Parse(std::string_view data);

    std::map<std::string, std::string, std::less<>> headers_; // names in lower case
    std::string requestLine_;
    std::string_view body_;
    Method method_ = Method::None;
    std::string path_;
    std::optional<std::string> query_;
    CHttpParamParser params_;
    bool keepAlive_ = false;
};

} // namespace tamberlink
