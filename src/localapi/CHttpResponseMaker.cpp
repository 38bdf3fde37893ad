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

std::string CHttpResponseMaker::BadRequest() {
    return "HTTP/1.1 400 Bad Request\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
}

} // namespace tamberlink
