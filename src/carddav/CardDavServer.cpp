#include "carddav/CardDavServer.h"

#include <QStringList>

#include <set>

namespace tamberlink {

namespace {

// Cards a multiget asks for at once: a few hundred kilobytes an answer.
constexpr int kFetchBatch = 200;
constexpr const char* kXmlType = "Content-Type: application/xml; charset=utf-8";

constexpr const char* kDiscoveryProps =
    "<d:resourcetype/><d:displayname/><d:current-user-principal/><c:addressbook-home-set/>";

std::string PropFindBody(const char* props) {
    return std::string("<?xml version=\"1.0\" encoding=\"utf-8\"?><d:propfind xmlns:d=\"DAV:\" "
                       "xmlns:c=\"urn:ietf:params:xml:ns:carddav\"><d:prop>") +
           props + "</d:prop></d:propfind>";
}

std::string XmlEscaped(const QString& text) {
    return text.toHtmlEscaped().toStdString();
}

QString Resolved(const QUrl& base, const std::string& href) {
    return base.resolved(QUrl(QString::fromStdString(href))).toString(QUrl::FullyEncoded);
}

bool Success(long status) {
    return status >= 200 && status < 300;
}

} // namespace

QString HrefKey(const QString& url) {
    const QString key = QUrl(url).adjusted(QUrl::StripTrailingSlash).toString(QUrl::FullyEncoded);
    return QUrl::fromPercentEncoding(key.toUtf8());
}

QString DavFailure::Text() const {
    if (status != 0) {
        QString text = QStringLiteral("%1失败：HTTP %2").arg(step).arg(status);
        if (!reason.isEmpty()) {
            text += QStringLiteral("（%1）").arg(reason);
        }
        return text;
    }
    return QStringLiteral("%1失败：%2").arg(step, reason);
}

DavReply CardDavServer::Request(const char* method, const QString& url, const std::string& body,
                                std::vector<std::string> headers, bool follow) {
    return client_.Send(method, url.toStdString(), body, headers, follow);
}

namespace {

std::optional<DavFailure> FailureOf(const DavReply& reply, const QString& step) {
    if (!reply.Reached()) {
        return DavFailure{step, 0, QString::fromStdString(reply.transport)};
    }
    if (Success(reply.status)) {
        return std::nullopt;
    }
    QString reason;
    switch (reply.status) {
    case 401:
        reason = QStringLiteral("用户名或密码不对");
        break;
    case 403:
        reason = QStringLiteral("服务器拒绝访问");
        break;
    case 404:
        reason = QStringLiteral("地址不存在");
        break;
    case 507:
        reason = QStringLiteral("服务器空间不足");
        break;
    default:
        if (reply.status >= 300 && reply.status < 400) {
            reason = QStringLiteral("服务器转向了 %1").arg(QString::fromStdString(reply.location));
        }
    }
    return DavFailure{step, reply.status, reason};
}

} // namespace

std::optional<DavMultistatus>
CardDavServer::PropFind(const QString& url, int depth, const char* props, const QString& step,
                        QUrl* finalUrl, std::optional<DavFailure>& failure, bool follow) {
    const DavReply reply = Request("PROPFIND", url, PropFindBody(props),
                                   {kXmlType, "Depth: " + std::to_string(depth)}, follow);
    if ((failure = FailureOf(reply, step))) {
        return std::nullopt;
    }
    DavMultistatus status = ReadMultistatus(reply.body);
    if (!status.error.empty()) {
        failure = DavFailure{
            step, 0,
            QStringLiteral("服务器的回答无法读取（%1）").arg(QString::fromStdString(status.error))};
        return std::nullopt;
    }
    if (finalUrl != nullptr) {
        *finalUrl = QUrl(QString::fromStdString(reply.url));
    }
    return status;
}

std::vector<AddressBookInfo> CardDavServer::Discover(const QString& url,
                                                     std::optional<DavFailure>& failure) {
    const QString step = QStringLiteral("查找通讯录");
    QUrl at(url);
    if (!at.isValid() ||
        (at.scheme() != QLatin1String("http") && at.scheme() != QLatin1String("https"))) {
        failure = DavFailure{step, 0, QStringLiteral("地址无效")};
        return {};
    }
    std::optional<DavMultistatus> first =
        PropFind(url, 0, kDiscoveryProps, step, &at, failure, true);
    QString principal;
    if (first) {
        for (const DavResource& resource : first->resources) {
            if (resource.addressBook) {
                return {
                    {Resolved(at, resource.href), QString::fromStdString(resource.displayName)}};
            }
            if (!resource.principal.empty()) {
                principal = Resolved(at, resource.principal);
            }
        }
    }
    if (principal.isEmpty()) {
        // A server's root seldom answers for the user: its well-known address does.
        std::optional<DavFailure> wellKnownFailure;
        QUrl known = at;
        known.setPath(QStringLiteral("/.well-known/carddav"));
        known.setQuery(QString());
        std::optional<DavMultistatus> found =
            PropFind(known.toString(), 0, kDiscoveryProps, step, &known, wellKnownFailure, true);
        if (found) {
            for (const DavResource& resource : found->resources) {
                if (!resource.principal.empty()) {
                    principal = Resolved(known, resource.principal);
                }
            }
        }
        if (principal.isEmpty()) {
            if (!failure) {
                failure =
                    wellKnownFailure
                        ? *wellKnownFailure
                        : DavFailure{step, 0, QStringLiteral("服务器没有说出用户的通讯录在哪里")};
            }
            return {};
        }
    }
    failure.reset();
    QUrl principalUrl;
    std::optional<DavMultistatus> who =
        PropFind(principal, 0, kDiscoveryProps, step, &principalUrl, failure, true);
    if (!who) {
        return {};
    }
    QString home;
    for (const DavResource& resource : who->resources) {
        if (!resource.addressHome.empty()) {
            home = Resolved(principalUrl, resource.addressHome);
        }
    }
    if (home.isEmpty()) {
        failure = DavFailure{step, 0, QStringLiteral("服务器没有为这个用户提供通讯录")};
        return {};
    }
    QUrl homeUrl;
    std::optional<DavMultistatus> books =
        PropFind(home, 1, kDiscoveryProps, step, &homeUrl, failure, true);
    if (!books) {
        return {};
    }
    std::vector<AddressBookInfo> found;
    for (const DavResource& resource : books->resources) {
        if (resource.addressBook) {
            found.push_back(
                {Resolved(homeUrl, resource.href), QString::fromStdString(resource.displayName)});
        }
    }
    if (found.empty()) {
        failure = DavFailure{step, 0, QStringLiteral("这个用户还没有通讯录")};
    }
    return found;
}

BookChanges CardDavServer::ListByPropFind(const QString& book, std::optional<DavFailure>& failure) {
    BookChanges changes;
    changes.full = true;
    QUrl base;
    std::optional<DavMultistatus> listing =
        PropFind(book, 1, "<d:getetag/><d:resourcetype/>", QStringLiteral("读取通讯录"), &base,
                 failure, false);
    if (!listing) {
        return changes;
    }
    const QString self = HrefKey(book);
    for (const DavResource& resource : listing->resources) {
        const QString href = Resolved(base, resource.href);
        if (resource.collection || HrefKey(href) == self) {
            continue;
        }
        changes.changed.push_back({href, QString::fromStdString(resource.etag)});
    }
    return changes;
}

BookChanges CardDavServer::Changes(const QString& book, const QString& token,
                                   std::optional<DavFailure>& failure) {
    const QString step = QStringLiteral("读取通讯录变更");
    const std::string body =
        "<?xml version=\"1.0\" encoding=\"utf-8\"?><d:sync-collection xmlns:d=\"DAV:\"><d:sync-"
        "token>" +
        XmlEscaped(token) +
        "</d:sync-token><d:sync-level>1</d:sync-level><d:prop><d:getetag/></d:prop></"
        "d:sync-collection>";
    const DavReply reply = Request("REPORT", book, body, {kXmlType, "Depth: 0"});
    if (!reply.Reached()) {
        failure = FailureOf(reply, step);
        return {};
    }
    if (!Success(reply.status)) {
        // The token is no longer good (403 or 409 with valid-sync-token): start from none.
        if (!token.isEmpty() && (reply.status == 403 || reply.status == 409 ||
                                 reply.status == 400 || reply.status == 412)) {
            return Changes(book, QString(), failure);
        }
        // No sync-collection at all: compare every ETag instead.
        if (token.isEmpty() && (reply.status == 403 || reply.status == 405 || reply.status == 400 ||
                                reply.status == 501 || reply.status == 415)) {
            return ListByPropFind(book, failure);
        }
        failure = FailureOf(reply, step);
        return {};
    }
    const DavMultistatus status = ReadMultistatus(reply.body);
    if (!status.error.empty()) {
        failure = DavFailure{
            step, 0,
            QStringLiteral("服务器的回答无法读取（%1）").arg(QString::fromStdString(status.error))};
        return {};
    }
    BookChanges changes;
    changes.full = token.isEmpty();
    changes.token = QString::fromStdString(status.syncToken);
    const QUrl base(QString::fromStdString(reply.url));
    const QString self = HrefKey(book);
    for (const DavResource& resource : status.resources) {
        const QString href = Resolved(base, resource.href);
        if (HrefKey(href) == self) {
            continue;
        }
        if (resource.status == 404) {
            changes.removed << href;
        } else if (!resource.collection) {
            changes.changed.push_back({href, QString::fromStdString(resource.etag)});
        }
    }
    return changes;
}

std::vector<ServerCard> CardDavServer::Fetch(const QStringList& hrefs, const QString& book,
                                             std::optional<DavFailure>& failure) {
    const QString step = QStringLiteral("下载联系人");
    std::vector<ServerCard> cards;
    for (qsizetype from = 0; from < hrefs.size(); from += kFetchBatch) {
        std::string body = "<?xml version=\"1.0\" encoding=\"utf-8\"?><c:addressbook-multiget "
                           "xmlns:d=\"DAV:\" xmlns:c=\"urn:ietf:params:xml:ns:carddav\"><d:prop>"
                           "<d:getetag/><c:address-data/></d:prop>";
        for (const QString& href : hrefs.mid(from, kFetchBatch)) {
            body += "<d:href>" + XmlEscaped(QUrl(href).path(QUrl::FullyEncoded)) + "</d:href>";
        }
        body += "</c:addressbook-multiget>";
        const DavReply reply = Request("REPORT", book, body, {kXmlType, "Depth: 1"});
        if ((failure = FailureOf(reply, step))) {
            return {};
        }
        const DavMultistatus status = ReadMultistatus(reply.body);
        if (!status.error.empty()) {
            failure = DavFailure{step, 0,
                                 QStringLiteral("服务器的回答无法读取（%1）")
                                     .arg(QString::fromStdString(status.error))};
            return {};
        }
        const QUrl base(QString::fromStdString(reply.url));
        for (const DavResource& resource : status.resources) {
            if (Success(resource.status) && !resource.addressData.empty()) {
                cards.push_back({Resolved(base, resource.href),
                                 QString::fromStdString(resource.etag),
                                 QByteArray::fromStdString(resource.addressData)});
            }
        }
    }
    return cards;
}

std::optional<ServerCard> CardDavServer::Get(const QString& href,
                                             std::optional<DavFailure>& failure) {
    const DavReply reply = Request("GET", href, {}, {});
    if (reply.Reached() && reply.status == 404) {
        return std::nullopt;
    }
    if ((failure = FailureOf(reply, QStringLiteral("下载联系人")))) {
        return std::nullopt;
    }
    return ServerCard{href, QString::fromStdString(reply.etag),
                      QByteArray::fromStdString(reply.body)};
}

CardDavServer::WriteResult CardDavServer::Put(const QString& href, const QByteArray& card,
                                              const QString& etag, QString& newEtag,
                                              std::optional<DavFailure>& failure) {
    const QString step = QStringLiteral("上传联系人");
    const DavReply reply = Request(
        "PUT", href, card.toStdString(),
        {"Content-Type: text/vcard; charset=utf-8",
         etag.isEmpty() ? std::string("If-None-Match: *") : "If-Match: " + etag.toStdString()});
    if (reply.Reached() && reply.status == 412) {
        return WriteResult::Changed;
    }
    if ((failure = FailureOf(reply, step))) {
        return WriteResult::Failed;
    }
    newEtag = QString::fromStdString(reply.etag);
    if (newEtag.isEmpty()) {
        // Servers that change what they store say no ETag: read the stored one.
        QUrl base;
        const std::optional<DavMultistatus> status =
            PropFind(href, 0, "<d:getetag/>", step, &base, failure, false);
        if (!status) {
            return WriteResult::Failed;
        }
        for (const DavResource& resource : status->resources) {
            newEtag = QString::fromStdString(resource.etag);
        }
    }
    return WriteResult::Done;
}

CardDavServer::WriteResult CardDavServer::Delete(const QString& href, const QString& etag,
                                                 std::optional<DavFailure>& failure) {
    std::vector<std::string> headers;
    if (!etag.isEmpty()) {
        headers.push_back("If-Match: " + etag.toStdString());
    }
    const DavReply reply = Request("DELETE", href, {}, headers);
    if (reply.Reached() && reply.status == 412) {
        return WriteResult::Changed;
    }
    if (reply.Reached() && reply.status == 404) {
        return WriteResult::Done;
    }
    failure = FailureOf(reply, QStringLiteral("删除联系人"));
    return failure ? WriteResult::Failed : WriteResult::Done;
}

} // namespace tamberlink
