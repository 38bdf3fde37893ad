#pragma once

#include "localapi/IRequest.h"

namespace tamberlink {

class CHttpParser;
class Connection;
class ConnectionServer;

// One request being handled: its parameters from the parser, its reply through the server
// on its connection. Lives on the stack for one handler call.
class RequestImpl : public IRequest {
public:
    RequestImpl(const CHttpParser& parser, ConnectionServer& server, Connection& connection);

    int GetIntParam(const std::string& name, int defaultValue) const override;
    std::string GetParam(const std::string& name) const override;
    bool ReplyHtml(std::string_view body) override;
    bool ReplyXml(std::string_view body) override;
    bool ReplyJson(std::string_view body) override;

private:
    bool Reply(std::string_view body, std::string_view contentType);

    const CHttpParser& parser_;
    ConnectionServer& server_;
    Connection& connection_;
};

} // namespace tamberlink
