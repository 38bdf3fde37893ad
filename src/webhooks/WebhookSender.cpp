#include "webhooks/WebhookSender.h"

#include "webhooks/WebhookSignature.h"

#include <QUrl>

#include <curl/curl.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cstring>
#include <ctime>

namespace tamberlink {
namespace {

// An address written out must be a loopback one; a name is looked at once it is resolved,
// as each connection opens.
bool MayBeLoopbackHost(const QString& host) {
    in_addr v4{};
    if (inet_pton(AF_INET, host.toLatin1().constData(), &v4) == 1) {
        return (ntohl(v4.s_addr) >> 24) == 127;
    }
    in6_addr v6{};
    QString bare = host;
    if (bare.startsWith(u'[') && bare.endsWith(u']')) {
        bare = bare.mid(1, bare.size() - 2);
    }
    if (inet_pton(AF_INET6, bare.toLatin1().constData(), &v6) == 1) {
        return IN6_IS_ADDR_LOOPBACK(&v6);
    }
    return true;
}

bool IsLoopbackAddress(const sockaddr* address) {
    if (address->sa_family == AF_INET) {
        const auto* v4 = reinterpret_cast<const sockaddr_in*>(address);
        return (ntohl(v4->sin_addr.s_addr) >> 24) == 127;
    }
    if (address->sa_family == AF_INET6) {
        const auto* v6 = reinterpret_cast<const sockaddr_in6*>(address);
        return IN6_IS_ADDR_LOOPBACK(&v6->sin6_addr) != 0;
    }
    return false;
}

struct Transfer {
    std::string reply;
    bool cut = false;            // the reply was longer than what is read
    bool refusedAddress = false; // an http URL's name led off this computer
    bool loopbackOnly = false;
    const std::atomic<bool>* abort = nullptr;
};

std::size_t TakeReply(char* data, std::size_t size, std::size_t count, void* user) {
    auto* transfer = static_cast<Transfer*>(user);
    const std::size_t bytes = size * count;
    const std::size_t room = kWebhookReplyBytes - transfer->reply.size();
    transfer->reply.append(data, std::min(bytes, room));
    if (bytes > room) {
        transfer->cut = true;
        return 0; // ends the transfer: the rest is never read
    }
    return bytes;
}

curl_socket_t OpenSocket(void* user, curlsocktype, curl_sockaddr* address) {
    auto* transfer = static_cast<Transfer*>(user);
    if (transfer->loopbackOnly && !IsLoopbackAddress(&address->addr)) {
        transfer->refusedAddress = true;
        return CURL_SOCKET_BAD;
    }
    return socket(address->family, address->socktype, address->protocol);
}

int Progress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    const auto* transfer = static_cast<Transfer*>(user);
    return transfer->abort != nullptr && transfer->abort->load() ? 1 : 0;
}

std::string Shown(const std::string& reply) {
    std::string shown = reply.substr(0, kWebhookReplyShown);
    // Never cut a UTF-8 character in two.
    while (!shown.empty() && shown.size() < reply.size() &&
           (static_cast<unsigned char>(reply[shown.size()]) & 0xC0) == 0x80) {
        shown.pop_back();
    }
    return shown;
}

} // namespace

QString CheckWebhookUrl(const QString& url) {
    const QUrl address(url.trimmed(), QUrl::StrictMode);
    if (!address.isValid() || address.host().isEmpty()) {
        return QStringLiteral("不是有效的网址");
    }
    if (!address.userInfo().isEmpty()) {
        return QStringLiteral("网址不能包含用户名或密码，请改用密钥验证");
    }
    if (address.hasFragment()) {
        return QStringLiteral("网址不能包含#片段");
    }
    const QString scheme = address.scheme().toLower();
    if (scheme == QLatin1String("https")) {
        return {};
    }
    if (scheme == QLatin1String("http")) {
        return MayBeLoopbackHost(address.host())
                   ? QString()
                   : QStringLiteral("http只能用于本机地址，其他地址请用https");
    }
    return QStringLiteral("只支持https（本机也可用http）");
}

QString WebhookUrlForLog(const QString& url) {
    const QUrl address(url.trimmed());
    return address
        .adjusted(QUrl::RemoveUserInfo | QUrl::RemovePath | QUrl::RemoveQuery |
                  QUrl::RemoveFragment)
        .toString();
}

WebhookOutcome PostWebhook(const WebhookPost& post, const WebhookPostOptions& options) {
    WebhookOutcome outcome;
    const QString refusal = CheckWebhookUrl(QString::fromStdString(post.url));
    if (!refusal.isEmpty()) {
        outcome.text = refusal.toStdString();
        return outcome;
    }
    CURL* curl = curl_easy_init();
    if (curl == nullptr) {
        outcome.text = "no transfer could be started";
        return outcome;
    }
    Transfer transfer;
    transfer.abort = options.abort;
    transfer.loopbackOnly = QUrl(QString::fromStdString(post.url)).scheme().toLower() == "http";
    const std::int64_t timestamp = std::int64_t(std::time(nullptr));
    curl_slist* headers = nullptr;
    const std::string lines[] = {
        "Content-Type: application/json",
        "webhook-id: " + post.messageId,
        "webhook-timestamp: " + std::to_string(timestamp),
        "webhook-signature: " + webhook::Sign(post.key, post.messageId, timestamp, post.body),
        "Expect:",
    };
    for (const std::string& line : lines) {
        headers = curl_slist_append(headers, line.c_str());
    }
    curl_slist* resolve = nullptr;
    for (const std::string& entry : options.resolve) {
        resolve = curl_slist_append(resolve, entry.c_str());
    }
    char error[CURL_ERROR_SIZE] = {};
    curl_easy_setopt(curl, CURLOPT_URL, post.url.c_str());
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_POST, 1L);
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(post.body.size()));
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, post.body.c_str());
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(curl, CURLOPT_USERAGENT, "Tamberlink-Webhooks/1");
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 0L);
    if (transfer.loopbackOnly || options.proxy.empty()) {
        curl_easy_setopt(curl, CURLOPT_NOPROXY, "*");
    } else {
        curl_easy_setopt(curl, CURLOPT_PROXY, options.proxy.c_str());
    }
    if (resolve != nullptr) {
        curl_easy_setopt(curl, CURLOPT_RESOLVE, resolve);
    }
    curl_easy_setopt(curl, CURLOPT_OPENSOCKETFUNCTION, OpenSocket);
    curl_easy_setopt(curl, CURLOPT_OPENSOCKETDATA, &transfer);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, TakeReply);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, Progress);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &transfer);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, error);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, long(options.timeout.count()));
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS,
                     long(std::min<long long>(options.timeout.count(), 10000)));
    const CURLcode result = curl_easy_perform(curl);
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    curl_easy_cleanup(curl);
    curl_slist_free_all(headers);
    curl_slist_free_all(resolve);

    outcome.status = int(status);
    const bool whole = result == CURLE_OK || (result == CURLE_WRITE_ERROR && transfer.cut);
    if (transfer.refusedAddress) {
        outcome.status = 0;
        outcome.text = "refused: an http webhook may only reach this computer, and its name "
                       "led to another address";
    } else if (!whole) {
        outcome.text = result == CURLE_OPERATION_TIMEDOUT
                           ? "no reply within " + std::to_string(options.timeout.count()) + " ms"
                       : result == CURLE_PARTIAL_FILE || result == CURLE_RECV_ERROR ||
                               result == CURLE_GOT_NOTHING
                           ? std::string("connection closed mid-reply: ") + error
                           : std::string(error[0] != '\0' ? error : curl_easy_strerror(result));
    } else if (status >= 300 && status < 400) {
        outcome.text = "redirect not followed: " + Shown(transfer.reply);
    } else {
        outcome.delivered = status >= 200 && status < 300;
        outcome.text = Shown(transfer.reply);
    }
    return outcome;
}

} // namespace tamberlink
