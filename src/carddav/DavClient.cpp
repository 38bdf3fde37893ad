#include "carddav/DavClient.h"

#include <curl/curl.h>

#include <cctype>

namespace tamberlink {

namespace {

// A card is a few kilobytes; a whole address book's listing a few megabytes.
constexpr std::size_t kMaxBody = 256u * 1024 * 1024;

struct Transfer {
    DavReply* reply;
    bool tooLarge = false;
};

std::size_t TakeBody(char* data, std::size_t size, std::size_t count, void* user) {
    auto* transfer = static_cast<Transfer*>(user);
    if (transfer->reply->body.size() + size * count > kMaxBody) {
        transfer->tooLarge = true;
        return 0;
    }
    transfer->reply->body.append(data, size * count);
    return size * count;
}

std::string Trimmed(std::string text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) {
        text.pop_back();
    }
    std::size_t first = 0;
    while (first < text.size() && std::isspace(static_cast<unsigned char>(text[first]))) {
        ++first;
    }
    return text.substr(first);
}

std::size_t TakeHeader(char* data, std::size_t size, std::size_t count, void* user) {
    auto* transfer = static_cast<Transfer*>(user);
    const std::string line(data, size * count);
    const auto colon = line.find(':');
    if (line.starts_with("HTTP/")) {
        // A new answer (after a redirect or a 100 Continue) starts afresh.
        transfer->reply->etag.clear();
        transfer->reply->location.clear();
    } else if (colon != std::string::npos) {
        std::string name = line.substr(0, colon);
        for (char& c : name) {
            c = char(std::tolower(static_cast<unsigned char>(c)));
        }
        const std::string value = Trimmed(line.substr(colon + 1));
        if (name == "etag") {
            transfer->reply->etag = value;
        } else if (name == "location") {
            transfer->reply->location = value;
        } else if (name == "content-type") {
            transfer->reply->contentType = value;
        }
    }
    return size * count;
}

int Progress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return static_cast<std::atomic<bool>*>(user)->load() ? 1 : 0;
}

} // namespace

DavClient::DavClient(std::string user, std::string password)
    : curl_(curl_easy_init())
    , user_(std::move(user))
    , password_(std::move(password)) {}

DavClient::~DavClient() {
    curl_easy_cleanup(curl_);
}

DavReply DavClient::Send(const std::string& method, const std::string& url, const std::string& body,
                         const std::vector<std::string>& headers, bool follow) {
    DavReply reply;
    if (curl_ == nullptr) {
        reply.transport = "libcurl could not start";
        return reply;
    }
    if (cancelled_) {
        reply.transport = "cancelled";
        return reply;
    }
    Transfer transfer{&reply};
    curl_easy_reset(curl_);
    curl_slist* list = nullptr;
    for (const std::string& header : headers) {
        list = curl_slist_append(list, header.c_str());
    }
    // No "Expect: 100-continue" pause before each card.
    list = curl_slist_append(list, "Expect:");
    curl_easy_setopt(curl_, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl_, CURLOPT_CUSTOMREQUEST, method.c_str());
    if (method == "GET") {
        curl_easy_setopt(curl_, CURLOPT_HTTPGET, 1L);
    } else if (!body.empty() || method == "PUT" || method == "PROPFIND" || method == "REPORT") {
        curl_easy_setopt(curl_, CURLOPT_POSTFIELDS, body.c_str());
        curl_easy_setopt(curl_, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(body.size()));
    } else {
        curl_easy_setopt(curl_, CURLOPT_NOBODY, method == "HEAD" ? 1L : 0L);
    }
    curl_easy_setopt(curl_, CURLOPT_HTTPHEADER, list);
    curl_easy_setopt(curl_, CURLOPT_USERNAME, user_.c_str());
    curl_easy_setopt(curl_, CURLOPT_PASSWORD, password_.c_str());
    curl_easy_setopt(curl_, CURLOPT_HTTPAUTH, CURLAUTH_BASIC | CURLAUTH_DIGEST);
    curl_easy_setopt(curl_, CURLOPT_FOLLOWLOCATION, follow ? 1L : 0L);
    curl_easy_setopt(curl_, CURLOPT_MAXREDIRS, 5L);
    // A redirected PROPFIND stays a PROPFIND with its body.
    curl_easy_setopt(curl_, CURLOPT_POSTREDIR, long(CURL_REDIR_POST_ALL));
    curl_easy_setopt(curl_, CURLOPT_CONNECTTIMEOUT, 15L);
    curl_easy_setopt(curl_, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl_, CURLOPT_LOW_SPEED_TIME, stallSeconds_);
    curl_easy_setopt(curl_, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl_, CURLOPT_ACCEPT_ENCODING, "");
    curl_easy_setopt(curl_, CURLOPT_WRITEFUNCTION, TakeBody);
    curl_easy_setopt(curl_, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(curl_, CURLOPT_HEADERFUNCTION, TakeHeader);
    curl_easy_setopt(curl_, CURLOPT_HEADERDATA, &transfer);
    curl_easy_setopt(curl_, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl_, CURLOPT_XFERINFOFUNCTION, Progress);
    curl_easy_setopt(curl_, CURLOPT_XFERINFODATA, &cancelled_);
    const CURLcode code = curl_easy_perform(curl_);
    curl_slist_free_all(list);
    curl_off_t down = 0, up = 0;
    long headerBytes = 0, requestBytes = 0;
    curl_easy_getinfo(curl_, CURLINFO_SIZE_DOWNLOAD_T, &down);
    curl_easy_getinfo(curl_, CURLINFO_SIZE_UPLOAD_T, &up);
    curl_easy_getinfo(curl_, CURLINFO_HEADER_SIZE, &headerBytes);
    curl_easy_getinfo(curl_, CURLINFO_REQUEST_SIZE, &requestBytes);
    bytes_ += std::uint64_t(down + up + headerBytes + requestBytes);
    if (code != CURLE_OK) {
        reply.transport = transfer.tooLarge                  ? "the answer is too large"
                          : code == CURLE_OPERATION_TIMEDOUT ? "the server stopped answering"
                                                             : curl_easy_strerror(code);
        return reply;
    }
    curl_easy_getinfo(curl_, CURLINFO_RESPONSE_CODE, &reply.status);
    const char* effective = nullptr;
    curl_easy_getinfo(curl_, CURLINFO_EFFECTIVE_URL, &effective);
    reply.url = effective != nullptr ? effective : url;
    return reply;
}

} // namespace tamberlink
