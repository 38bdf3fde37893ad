#pragma once

#include "localapi/IRequest.h"

namespace tamberlink {

class CHttpParser;
class CWebServer;
class Connection;

// One request being handled: its parameters from the parser, its reply through the server
// on its connection. Lives on the stack for one handler call.
class RequestImpl : public IRequest {
public:
    RequestImpl(const CHttpParser& parser, CWebServer& server, Connection& connection,
                const std::string& pageOrigin, bool confirmFirst);

    int GetIntParam(const std::string& name, int defaultValue) const override;
    std::string GetParam(const std::string& name) const override;
    const std::string* GetHeader(std::string_view name) const override;
    const std::string& PageOrigin() const override { return pageOrigin_; }
    bool ConfirmFirst() const override { return confirmFirst_; }
    bool ReplyHtml(std::string_view body) override;
    bool ReplyXml(std::string_view body) override;
    bool ReplyJson(std::string_view body) override;
    std::shared_ptr<StreamWriter> StartStream(std::string_view head,
                                              std::shared_ptr<OutgoingStream> stream) override;

    // The handler turned the reply into a stream.
    bool Streaming() const { return streaming_; }

private:
    bool Reply(std::string_view body, std::string_view contentType);

    const CHttpParser& parser_;
    CWebServer& server_;
    Connection& connection_;
    const std::string& pageOrigin_;
    const bool confirmFirst_;
    bool streaming_ = false;
};

} // namespace tamberlink
