#pragma once

#include "carddav/DavClient.h"
#include "carddav/DavMultistatus.h"

#include <QString>
#include <QUrl>

#include <optional>
#include <vector>

namespace tamberlink {

// An address book the server offers.
struct AddressBookInfo {
    QString url;
    QString name;
};

// What went wrong with a request: the step (as the user reads it) and the HTTP status, or
// the transport's reason when there was no answer.
struct DavFailure {
    QString step;
    long status = 0;
    QString reason;

    QString Text() const;
};

// A member of the address book: where it is and its ETag.
struct CardEntry {
    QString href; // absolute URL
    QString etag;
};

// What changed on the server since a sync token, or (`full`) every card there is.
struct BookChanges {
    bool full = false;
    std::vector<CardEntry> changed;
    QStringList removed; // absolute URLs
    QString token;       // empty when the server keeps none
};

// A card as the server has it.
struct ServerCard {
    QString href;
    QString etag;
    QByteArray data;
};

// A URL as the server may write it, percent-encoded or not, with or without a trailing '/':
// equal keys name the same resource.
QString HrefKey(const QString& url);

// The CardDAV requests a sync makes (RFC 6352, RFC 6578), over one DavClient.
class CardDavServer {
public:
    explicit CardDavServer(DavClient& client)
        : client_(client) {}

    // The address books reachable from `url`: the book itself when it is one, else through the
    // current user principal and its address-book home, found at `url` or at the server's
    // /.well-known/carddav.
    std::vector<AddressBookInfo> Discover(const QString& url, std::optional<DavFailure>& failure);

    // What changed since `token`: an empty or rejected token lists every card. A server
    // without sync-collection is listed by PROPFIND (without a token).
    BookChanges Changes(const QString& book, const QString& token,
                        std::optional<DavFailure>& failure);
    // The cards at `hrefs` (addressbook-multiget, in batches); a card the server no longer has
    // is missing from the result.
    std::vector<ServerCard> Fetch(const QStringList& hrefs, const QString& book,
                                  std::optional<DavFailure>& failure);
    std::optional<ServerCard> Get(const QString& href, std::optional<DavFailure>& failure);

    enum class WriteResult { Done, Changed, Failed };
    // PUT with If-Match `etag`, or If-None-Match: * when `etag` is empty. Changed on 412;
    // `newEtag` is the card's ETag after the write (read back when the answer lacks it).
    WriteResult Put(const QString& href, const QByteArray& card, const QString& etag,
                    QString& newEtag, std::optional<DavFailure>& failure);
    // DELETE with If-Match `etag`. A card already gone counts as done.
    WriteResult Delete(const QString& href, const QString& etag,
                       std::optional<DavFailure>& failure);

    DavClient& Client() { return client_; }

private:
    DavReply Request(const char* method, const QString& url, const std::string& body,
                     std::vector<std::string> headers, bool follow = false);
    std::optional<DavMultistatus> PropFind(const QString& url, int depth, const char* props,
                                           const QString& step, QUrl* finalUrl,
                                           std::optional<DavFailure>& failure, bool follow);
    BookChanges ListByPropFind(const QString& book, std::optional<DavFailure>& failure);

    DavClient& client_;
};

} // namespace tamberlink
