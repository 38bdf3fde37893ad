#pragma once

#include <string>
#include <string_view>

namespace tamberlink {

// The complete reply to an API request: always status 200, the body's length in bytes, the
// given content type and "Connection: Keep-Alive" (the connection is closed all the same).
class CHttpResponseMaker {
public:
    static constexpr std::string_view kHtml = "text/html;charset=gbk";
    static constexpr std::string_view kXml = "text/xml;charset=gbk";
    static constexpr std::string_view kJson = "application/json;charset=gbk";

    static std::string Make(std::string_view body, std::string_view contentType);
    // "400 Bad Request", with no body, for a request whose head HTTP/1.1 forbids; the
    // connection closes after it.
    static std::string BadRequest();
};

} // namespace tamberlink
