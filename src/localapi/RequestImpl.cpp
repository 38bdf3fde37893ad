#include "localapi/RequestImpl.h"

#include "localapi/CHttpParser.h"
#include "localapi/CHttpResponseMaker.h"
#include "localapi/CWebServer.h"

#include <algorithm>
#include <climits>

namespace tamberlink {

RequestImpl::RequestImpl(const CHttpParser& parser, CWebServer& server, Connection& connection,
                         const std::string& pageOrigin, bool confirmFirst)
    : parser_(parser)
    , server_(server)
    , connection_(connection)
    , pageOrigin_(pageOrigin)
    , confirmFirst_(confirmFirst) {}

int RequestImpl::GetIntParam(const std::string& name, int defaultValue) const {
    const std::string value = GetParam(name);
    if (value.empty()) {
        return defaultValue;
    }
    std::size_t pos = 0;
    while (pos < value.size() && (value[pos] == ' ' || value[pos] == '\t')) {
        ++pos;
    }
    const bool negative = pos < value.size() && value[pos] == '-';
    if (pos < value.size() && (value[pos] == '-' || value[pos] == '+')) {
        ++pos;
    }
    long long number = 0;
    for (; pos < value.size() && value[pos] >= '0' && value[pos] <= '9'; ++pos) {
        number = std::min<long long>(number * 10 + (value[pos] - '0'), 1LL + INT_MAX);
    }
    number = negative ? -number : number;
    return static_cast<int>(std::clamp<long long>(number, INT_MIN, INT_MAX));
}

std::string RequestImpl::GetParam(const std::string& name) const {
    const std::string* value = parser_.Params().Find(name);
    if (value == nullptr || value->size() > kMaxParamLength) {
        return {};
    }
    return *value;
}

const std::string* RequestImpl::GetHeader(std::string_view name) const {
    return parser_.Header(name);
}

bool RequestImpl::ReplyHtml(std::string_view body) {
    return Reply(body, CHttpResponseMaker::kHtml);
}

bool RequestImpl::ReplyXml(std::string_view body) {
    return Reply(body, CHttpResponseMaker::kXml);
}

bool RequestImpl::ReplyJson(std::string_view body) {
    return Reply(body, CHttpResponseMaker::kJson);
}

bool RequestImpl::Reply(std::string_view body, std::string_view contentType) {
    return server_.Send(connection_, CHttpResponseMaker::Make(body, contentType));
}

std::shared_ptr<StreamWriter> RequestImpl::StartStream(std::string_view head,
                                                       std::shared_ptr<OutgoingStream> stream) {
    std::shared_ptr<StreamWriter> writer =
        server_.StartStream(connection_, head, std::move(stream));
    streaming_ = writer != nullptr;
    return writer;
}

} // namespace tamberlink
