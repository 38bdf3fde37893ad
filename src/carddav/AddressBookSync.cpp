#include "carddav/AddressBookSync.h"

#include "carddav/CardMerge.h"
#include "store/LocalDatabase.h"

#include <QFileInfo>

#include <map>
#include <set>

namespace tamberlink {

namespace {

// A card the server keeps changing between our read and our write is given up after this
// many merges, rather than written over or merged forever.
constexpr int kMergeAttempts = 3;
constexpr int kAskAboveContacts = 20;

// The card as the contacts store it, and so as a later sync reads it back.
ContactCard Normalised(const ContactCard& card) {
    ContactCard normal = CardOfRows(RowsOfCard(card));
    normal.uid = card.uid;
    return normal;
}

QString UidFromHref(const QString& href) {
    QString name = QUrl::fromPercentEncoding(QUrl(href).fileName().toUtf8());
    if (name.endsWith(QLatin1String(".vcf"), Qt::CaseInsensitive)) {
        name.chop(4);
    }
    return name;
}

QString NewHref(const QString& book, const QString& uid) {
    QString base = book;
    if (!base.endsWith(u'/')) {
        base += u'/';
    }
    return base + QString::fromLatin1(QUrl::toPercentEncoding(uid)) + QStringLiteral(".vcf");
}

} // namespace

QString SyncOutcome::Summary() const {
    if (!ok) {
        return error;
    }
    QString text = QStringLiteral("同步完成：收到 %1 张名片，发出 %2 张，合并 %3 张，本机删除 %4 "
                                  "个联系人，服务器删除 %5 张")
                       .arg(received)
                       .arg(sent)
                       .arg(merged)
                       .arg(removed)
                       .arg(deleted);
    if (deletionsRefused) {
        text += QStringLiteral("；服务器上删除的联系人已按您的选择保留");
    }
    return text;
}

namespace {

// One sync's work, with what it has learnt so far.
class SyncRun {
public:
    SyncRun(LocalDatabase& database, const AttributionDatabase& attribution, CardDavServer& server,
            const QString& book, SyncOutcome& out)
        : table_(database.AddressBook())
        , attribution_(attribution)
        , server_(server)
        , book_(book)
        , out_(out) {}

    bool Run(const AddressBookSync::ConfirmDeletion& confirm) {
        if (!table_.GiveCards()) {
            return Fail(QStringLiteral("保存联系人失败：数据库无法写入"));
        }
        const AddressBookAccount account = table_.ReadAccount();
        synced_ = table_.LoadSynced();
        for (const auto& [uid, card] : synced_) {
            uidOfHref_[HrefKey(card.href)] = uid;
        }
        const BookChanges changes = server_.Changes(book_, account.token, failure_);
        if (failure_) {
            return false;
        }
        for (std::vector<ContactCardRecord>& rows : table_.LoadCards()) {
            ContactCard card = CardOfRows(rows);
            local_.emplace(card.uid, std::move(card));
        }
        QStringList fetch;
        std::set<QString> listed;
        for (const CardEntry& entry : changes.changed) {
            const QString key = HrefKey(entry.href);
            listed.insert(key);
            const auto known = uidOfHref_.find(key);
            if (known != uidOfHref_.end() && !entry.etag.isEmpty() &&
                synced_.at(known->second).etag == entry.etag) {
                continue;
            }
            fetch << entry.href;
        }
        QStringList gone = changes.removed;
        if (changes.full) {
            for (const auto& [uid, card] : synced_) {
                if (listed.count(HrefKey(card.href)) == 0) {
                    gone << card.href;
                }
            }
        }
        const std::vector<ServerCard> fetched = server_.Fetch(fetch, book_, failure_);
        if (failure_) {
            return false;
        }
        for (const ServerCard& card : fetched) {
            if (!Receive(card)) {
                return false;
            }
        }
        if (!RemoveGone(gone, confirm)) {
            return false;
        }
        for (const auto& [uid, card] : local_) {
            if (handled_.count(uid) != 0) {
                continue;
            }
            const auto base = synced_.find(uid);
            if (base == synced_.end()) {
                if (!Push(card, ContactCard(), NewHref(book_, uid), QString())) {
                    return false;
                }
            } else if (Rendered(card) != base->second.copy &&
                       !Push(card, Base(uid), base->second.href, base->second.etag)) {
                return false;
            }
        }
        for (const auto& [uid, state] : synced_) {
            if (handled_.count(uid) == 0 && local_.count(uid) == 0 && !DeleteThere(state)) {
                return false;
            }
        }
        if (!changes.token.isEmpty() && !table_.WriteToken(changes.token)) {
            return Fail(QStringLiteral("保存同步进度失败：数据库无法写入"));
        }
        return true;
    }

    const std::optional<DavFailure>& Failure() const { return failure_; }

private:
    bool Fail(const QString& text) {
        out_.error = text;
        return false;
    }

    ContactCard Base(const QString& uid) const {
        const auto found = synced_.find(uid);
        if (found == synced_.end()) {
            return {};
        }
        return ReadServerCard(found->second.copy).value_or(ContactCard());
    }

    bool Store(const ContactCard& card, const QString& href, const QString& etag) {
        const ContactCard normal = Normalised(card);
        const SyncedCard state{card.uid, href, etag, Rendered(normal)};
        handled_.insert(card.uid);
        if (!table_.StoreCard(card.uid, RowsOfCard(normal), state, attribution_)) {
            return Fail(QStringLiteral("保存联系人失败：数据库无法写入"));
        }
        return true;
    }

    bool Receive(const ServerCard& card) {
        std::optional<ContactCard> remote = ReadServerCard(card.data);
        if (!remote) {
            return true; // a card without a number has no place among the contacts
        }
        if (remote->uid.isEmpty()) {
            const auto known = uidOfHref_.find(HrefKey(card.href));
            remote->uid = known != uidOfHref_.end() ? known->second : UidFromHref(card.href);
        }
        const QString uid = remote->uid;
        const auto here = local_.find(uid);
        const auto base = synced_.find(uid);
        const bool changedHere =
            here != local_.end() &&
            (base == synced_.end() || Rendered(here->second) != base->second.copy);
        if (!changedHere || Rendered(here->second) == Rendered(Normalised(*remote))) {
            ++out_.received;
            return Store(*remote, card.href, card.etag);
        }
        ++out_.merged;
        return Push(MergeCards(Base(uid), here->second, *remote), Base(uid), card.href, card.etag);
    }

    // Writes `card` to the server and then here; on 412 reads the server's card and merges.
    bool Push(ContactCard card, const ContactCard& base, const QString& href, QString etag) {
        for (int attempt = 0; attempt < kMergeAttempts; ++attempt) {
            const ContactCard normal = Normalised(card);
            QString newEtag;
            switch (server_.Put(href, Rendered(normal), etag, newEtag, failure_)) {
            case CardDavServer::WriteResult::Failed:
                return false;
            case CardDavServer::WriteResult::Done:
                ++out_.sent;
                return Store(normal, href, newEtag);
            case CardDavServer::WriteResult::Changed:
                break;
            }
            const std::optional<ServerCard> current = server_.Get(href, failure_);
            if (failure_) {
                return false;
            }
            if (!current) {
                etag.clear(); // deleted meanwhile: written anew
                continue;
            }
            const std::optional<ContactCard> remote = ReadServerCard(current->data);
            etag = current->etag;
            if (remote) {
                ContactCard withUid = *remote;
                withUid.uid = card.uid;
                card = MergeCards(base, card, withUid);
                ++out_.merged;
            }
        }
        failure_ = DavFailure{QStringLiteral("上传联系人"), 412,
                              QStringLiteral("服务器上的这张名片一再被改动，稍后再试")};
        return false;
    }

    bool RemoveGone(const QStringList& gone, const AddressBookSync::ConfirmDeletion& confirm) {
        QStringList uids;
        int contacts = 0;
        for (const QString& href : gone) {
            const auto known = uidOfHref_.find(HrefKey(href));
            if (known == uidOfHref_.end() || handled_.count(known->second) != 0) {
                continue;
            }
            const QString& uid = known->second;
            const auto here = local_.find(uid);
            if (here != local_.end() && Rendered(here->second) != synced_.at(uid).copy) {
                // Changed here since: kept, and written back as a new card.
                if (!table_.ForgetSynced(uid)) {
                    return Fail(QStringLiteral("保存同步进度失败：数据库无法写入"));
                }
                synced_.erase(uid);
                continue;
            }
            uids << uid;
            contacts += table_.CountCardContacts(uid);
        }
        const int total = table_.CountContacts();
        const bool ask = contacts > kAskAboveContacts || contacts * 10 > total;
        if (contacts > 0 && ask && !(confirm && confirm(contacts, total))) {
            out_.deletionsRefused = true;
            for (const QString& uid : uids) {
                if (!table_.ForgetSynced(uid)) {
                    return Fail(QStringLiteral("保存同步进度失败：数据库无法写入"));
                }
                synced_.erase(uid);
            }
            return true;
        }
        for (const QString& uid : uids) {
            int removed = 0;
            if (!table_.DeleteCard(uid, &removed)) {
                return Fail(QStringLiteral("删除联系人失败：数据库无法写入"));
            }
            out_.removed += removed;
            handled_.insert(uid);
            local_.erase(uid);
        }
        return true;
    }

    bool DeleteThere(const SyncedCard& state) {
        switch (server_.Delete(state.href, state.etag, failure_)) {
        case CardDavServer::WriteResult::Failed:
            return false;
        case CardDavServer::WriteResult::Done:
            ++out_.deleted;
            if (!table_.ForgetSynced(state.uid)) {
                return Fail(QStringLiteral("保存同步进度失败：数据库无法写入"));
            }
            return true;
        case CardDavServer::WriteResult::Changed:
            break;
        }
        // Changed there after it was deleted here: the server's card comes back.
        const std::optional<ServerCard> current = server_.Get(state.href, failure_);
        if (failure_) {
            return false;
        }
        if (!current) {
            return table_.ForgetSynced(state.uid);
        }
        return Receive(*current);
    }

    AddressBookTable& table_;
    const AttributionDatabase& attribution_;
    CardDavServer& server_;
    QString book_;
    SyncOutcome& out_;
    std::optional<DavFailure> failure_;
    std::map<QString, SyncedCard> synced_;
    std::map<QString, QString> uidOfHref_;
    std::map<QString, ContactCard> local_;
    std::set<QString> handled_;
};

} // namespace

SyncOutcome AddressBookSync::Run(const QString& book, const ConfirmDeletion& confirm) {
    SyncOutcome out;
    const std::uint64_t before = server_.Client().BytesMoved();
    SyncRun run(database_, attribution_, server_, book, out);
    out.ok = run.Run(confirm);
    if (!out.ok && out.error.isEmpty() && run.Failure()) {
        out.error = run.Failure()->Text();
    }
    out.bytes = server_.Client().BytesMoved() - before;
    return out;
}

} // namespace tamberlink
