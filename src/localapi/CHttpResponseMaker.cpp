#include "localapi/CHttpResponseMaker.h"

namespace tamberlink {

std::string CHttpResponseMaker::Make(std::string_view body, std::string_view contentType) {
    std::string reply;
    reply.reserve(body.size() + contentType.size() + 96);
    reply += "HTTP/1.1 200 OK\r\nContent-Length: ";
    reply += std::to_string(body.size());
    reply += "\r\nContent-Type: ";
    reply += contentType;
    reply += "\r\nConnection: Keep-Alive\r\n\r\n";
    reply += body;
    return reply;
}

} // namespace tamberlink
