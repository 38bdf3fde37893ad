#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

typedef void CURL;

namespace tamberlink {

// What the server answered, or why it could not be asked (`transport`, libcurl's words).
struct DavReply {
    long status = 0;
    std::string body;
    std::string etag;
    std::string location;
    std::string contentType;
    std::string url; // where the answer came from, after any redirect
    std::string transport;

    bool Reached() const { return transport.empty(); }
};

// HTTP for WebDAV over one libcurl handle, so that the requests of a sync share their
// connection. Basic or digest authentication with the account's user and password. A server
// that sends nothing for `stallSeconds` is given up on.
class DavClient {
public:
    DavClient(std::string user, std::string password);
    ~DavClient();
    DavClient(const DavClient&) = delete;
    DavClient& operator=(const DavClient&) = delete;

    // `headers` are whole header lines. Redirects are followed only with `follow` (discovery);
    // elsewhere a redirect is an answer of its own.
    DavReply Send(const std::string& method, const std::string& url, const std::string& body,
                  const std::vector<std::string>& headers, bool follow = false);

    void SetStallSeconds(long seconds) { stallSeconds_ = seconds; }
    // Makes the request under way, and every later one, end at once.
    void Cancel() { cancelled_ = true; }
    // Bytes sent and received, headers included, since the client was made.
    std::uint64_t BytesMoved() const { return bytes_; }

private:
    CURL* curl_ = nullptr;
    std::string user_;
    std::string password_;
    long stallSeconds_ = 60;
    std::atomic<bool> cancelled_{false};
    std::uint64_t bytes_ = 0;
};

} // namespace tamberlink
