#pragma once

#include "localapi/CHttpParamParser.h"

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace tamberlink {

// One HTTP request parsed from the bytes that arrived with its connection. A request that
// is refused, malformed or incomplete leaves everything empty (the path above all, so that
// no route matches it); there is no partial result. The body refers into `data`, which must
// outlive the parser.
class CHttpParser {
public:
    enum class Method { None = 0, Get = 1, Post = 2, Status = 3 };

    // The longest request line kept; longer ones refuse the request.
    static constexpr std::size_t kRequestLineCapacity = 32768;

    explicit CHttpParser(std::string_view data);

    Method GetMethod() const { return method_; }
    const std::string& Path() const { return path_; }
    const std::optional<std::string>& Query() const { return query_; }
    const std::string& RequestLine() const { return requestLine_; }
    // The value of header `name` (exact, case-sensitive), or nullptr.
    const std::string* Header(const std::string& name) const;
    // The body as announced by Content-Length (empty for GET).
    std::string_view Body() const { return body_; }
    const CHttpParamParser& Params() const { return params_; }

private:
    bool Parse(std::string_view data);

    std::map<std::string, std::string, std::less<>> headers_;
    std::string requestLine_;
    std::string_view body_;
    Method method_ = Method::None;
    std::string path_;
    std::optional<std::string> query_;
    CHttpParamParser params_;
};

} // namespace tamberlink
