#pragma once

#include <QByteArray>
#include <QString>

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tamberlink {

// Why a webhook URL is refused; empty when it may be used. https goes anywhere; http only
// to this computer, since only there its deliveries travel unread by anyone else: an
// address must be a loopback one, and a name must resolve to one (each connection is
// refused otherwise). A URL with a user name or password is refused: the text says
// so without repeating it.
QString CheckWebhookUrl(const QString& url);
// "scheme://host:port" of a URL, for logs: never its path, query or credentials.
QString WebhookUrlForLog(const QString& url);

// One POST of a webhook delivery, on the calling thread.
struct WebhookPost {
    std::string url;
    std::string messageId;
    std::string body;
    QByteArray key; // the secret's bytes
};

struct WebhookPostOptions {
    // "address:port"; empty for a direct connection. Never used for loopback addresses.
    std::string proxy;
    std::chrono::milliseconds timeout{15000};
    // curl's "host:port:address" overrides of name resolution.
    std::vector<std::string> resolve;
    // Makes a transfer under way give up at once.
    const std::atomic<bool>* abort = nullptr;
};

struct WebhookOutcome {
    bool delivered = false; // a 2xx status within the time limit
    int status = 0;         // the HTTP status; 0 when no reply came
    // The reply's first bytes, or why no usable reply came.
    std::string text;
};

// At most this much of a reply is read; the rest is never downloaded.
inline constexpr std::size_t kWebhookReplyBytes = 4096;
// How much of the reply the delivery log keeps.
inline constexpr std::size_t kWebhookReplyShown = 200;

// Signs and posts the delivery with the webhook-id, webhook-timestamp (now) and
// webhook-signature headers. Redirects are not followed; a 3xx counts as a failure.
WebhookOutcome PostWebhook(const WebhookPost& post, const WebhookPostOptions& options);

} // namespace tamberlink
