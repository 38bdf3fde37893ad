#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tamberlink {

// What a route handler sees of one request: its parameters, and one reply to send.
class IRequest {
public:
    // The longest parameter value handed out. A longer value is refused as a whole and
    // reads as missing, so a handler answers it as it answers an empty value and acts on
    // nothing: a cut number or SMS text would otherwise be dialled or sent as if whole.
    static constexpr std::size_t kMaxParamLength = 1023;

    virtual ~IRequest() = default;

    // The value read as a decimal integer the way atoi reads it (values beyond int are
    // capped), or `defaultValue` when the parameter is missing or empty.
    virtual int GetIntParam(const std::string& name, int defaultValue) const = 0;
    // The value exactly as received (not percent-decoded); empty when missing.
    virtual std::string GetParam(const std::string& name) const = 0;

    // Queue the reply with the body (GBK bytes) and the named content type. False when it
    // cannot be sent (too long for one block, or the connection is gone).
    virtual bool ReplyHtml(std::string_view body) = 0;
    virtual bool ReplyXml(std::string_view body) = 0;
    virtual bool ReplyJson(std::string_view body) = 0;
};

} // namespace tamberlink
