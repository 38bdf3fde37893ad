// Feeds arbitrary bytes to the request parser, the form-parameter parser and the Host
// check, and traps when a result breaks what the server relies on.
#include "localapi/CHttpParamParser.h"
#include "localapi/CHttpParser.h"
#include "localapi/CHttpResponseMaker.h"
#include "localapi/HostGuard.h"

#include <cctype>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

using tamberlink::CHttpParamParser;
using tamberlink::CHttpParser;

void Check(bool condition) {
    if (!condition) {
        __builtin_trap();
    }
}

bool StartsPair(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '%' || c == '+';
}

void CheckParams(const CHttpParamParser& params, std::string_view source) {
    for (const auto& [name, value] : params.Params()) {
        Check(!name.empty() && StartsPair(name.front()));
        Check(name.find('=') == std::string::npos && name.find('&') == std::string::npos);
        Check(value.find('&') == std::string::npos);
        Check(source.find(name + "=" + value) != std::string_view::npos);
    }
}

// "localhost" (any case) or "127.0.0.1", then optionally ':' and up to five digits.
bool IsLoopbackValue(std::string_view value) {
    while (!value.empty() && (value.front() == ' ' || value.front() == '\t')) {
        value.remove_prefix(1);
    }
    while (!value.empty() && (value.back() == ' ' || value.back() == '\t')) {
        value.remove_suffix(1);
    }
    const std::size_t colon = value.find(':');
    std::string name(value.substr(0, colon));
    for (char& c : name) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    if (colon != std::string_view::npos) {
        const std::string_view port = value.substr(colon + 1);
        if (port.empty() || port.size() > 5) {
            return false;
        }
        for (char c : port) {
            if (c < '0' || c > '9') {
                return false;
            }
        }
    }
    return name == "localhost" || name == "127.0.0.1";
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    const CHttpParser parser(text);
    if (parser.GetMethod() == CHttpParser::Method::None) {
        Check(parser.Path().empty() && parser.Params().Params().empty() && parser.Body().empty());
    } else {
        // Only the first request of the stream is parsed; what follows it is the next one's.
        const CHttpParser::Frame frame = CHttpParser::Measure(text);
        Check(frame.status == CHttpParser::Frame::Status::Complete);
        const std::string_view request = text.substr(0, frame.length);
        Check(request.find('\'') == std::string_view::npos);
        Check(request.find("\r\n\r\n") != std::string_view::npos);
        Check(parser.Path().find('?') == std::string::npos);
        Check(parser.Body().empty() ||
              (parser.Body().data() >= request.data() &&
               parser.Body().data() + parser.Body().size() <= request.data() + request.size()));
        CheckParams(parser.Params(), text);
        const std::string reply = tamberlink::CHttpResponseMaker::Make(
            parser.Body(), tamberlink::CHttpResponseMaker::kJson);
        Check(reply.size() > parser.Body().size() && reply.ends_with(parser.Body()));
    }

    CHttpParamParser params;
    params.Parse(text);
    CheckParams(params, text);

    // A Host header the parser saw must name the loopback when the guard lets it through.
    const std::string* host = parser.Header("Host");
    if (host != nullptr && tamberlink::IsLoopbackHost(text)) {
        Check(IsLoopbackValue(*host));
    }
    return 0;
}
