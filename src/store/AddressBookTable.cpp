#include "store/AddressBookTable.h"

#include "store/AttributionDatabase.h"
#include "store/ContactTable.h"
#include "store/StoreConnection.h"

#include <QUuid>

#include <set>

namespace tamberlink {

namespace {

constexpr const char* kSyncFailed = "保存通讯录同步失败：";

} // namespace

AddressBookAccount AddressBookTable::ReadAccount() {
    const auto lock = connection_.Lock();
    SqlStatement query =
        connection_.Prepare("select server, user, book, token, last_sync, last_result from "
                            "table_carddav_account where id=1");
    AddressBookAccount account;
    if (query.Next()) {
        account.server = query.Text(0);
        account.user = query.Text(1);
        account.book = query.Text(2);
        account.token = query.Text(3);
        account.lastSync = query.Int64(4);
        account.lastResult = query.Text(5);
    }
    return account;
}

bool AddressBookTable::WriteAccount(const QString& server, const QString& user,
                                    const QString& book) {
    const AddressBookAccount before = ReadAccount();
    const bool same = before.server == server && before.user == user && before.book == book;
    const auto lock = connection_.Lock();
    if (!connection_.Exec("begin transaction", kSyncFailed)) {
        return false;
    }
    SqlStatement write = connection_.Prepare(
        "insert into table_carddav_account(id, server, user, book) values(1, ?1, ?2, ?3) on "
        "conflict(id) do update set server=?1, user=?2, book=?3");
    write.Bind(1, server).Bind(2, user).Bind(3, book);
    bool ok = connection_.Run(write, kSyncFailed);
    if (ok && !same) {
        ok = connection_.Exec("update table_carddav_account set token=''", kSyncFailed) &&
             connection_.Exec("delete from table_carddav_card", kSyncFailed);
    }
    if (!ok || !connection_.Exec("commit transaction", kSyncFailed)) {
        connection_.Exec("rollback transaction");
        return false;
    }
    return true;
}

bool AddressBookTable::WriteToken(const QString& token) {
    const auto lock = connection_.Lock();
    SqlStatement write = connection_.Prepare("update table_carddav_account set token=? where id=1");
    write.Bind(1, token);
    return connection_.Run(write, kSyncFailed);
}

bool AddressBookTable::WriteResult(qint64 time, const QString& result) {
    const auto lock = connection_.Lock();
    SqlStatement write = connection_.Prepare(
        "update table_carddav_account set last_sync=?, last_result=? where id=1");
    write.BindInt64(1, time).Bind(2, result);
    return connection_.Run(write, kSyncFailed);
}

std::map<QString, SyncedCard> AddressBookTable::LoadSynced() {
    const auto lock = connection_.Lock();
    SqlStatement query =
        connection_.Prepare("select uid, href, etag, copy from table_carddav_card");
    std::map<QString, SyncedCard> cards;
    while (query.Next()) {
        SyncedCard card{query.Text(0), query.Text(1), query.Text(2), query.Text(3).toUtf8()};
        cards.emplace(card.uid, std::move(card));
    }
    return cards;
}

namespace {

bool WriteSyncedLocked(const StoreConnection& connection, const SyncedCard& card) {
    SqlStatement write = connection.Prepare(
        "insert or replace into table_carddav_card(uid, href, etag, copy) values(?, ?, ?, ?)");
    write.Bind(1, card.uid)
        .Bind(2, card.href)
        .Bind(3, card.etag)
        .Bind(4, QString::fromUtf8(card.copy));
    return connection.Run(write, kSyncFailed);
}

bool ForgetSyncedLocked(const StoreConnection& connection, const QString& uid) {
    SqlStatement forget = connection.Prepare("delete from table_carddav_card where uid=?");
    forget.Bind(1, uid);
    return connection.Run(forget, kSyncFailed);
}

} // namespace

bool AddressBookTable::WriteSynced(const SyncedCard& card) {
    const auto lock = connection_.Lock();
    return WriteSyncedLocked(connection_, card);
}

bool AddressBookTable::ForgetSynced(const QString& uid) {
    const auto lock = connection_.Lock();
    return ForgetSyncedLocked(connection_, uid);
}

bool AddressBookTable::GiveCards() {
    const auto lock = connection_.Lock();
    const std::deque<int> ids = connection_.ReadIds(
        "select c.id from table_contact c left join table_contact_card k on k.contact_id=c.id "
        "where coalesce(k.uid, '')=''");
    if (ids.empty()) {
        return true;
    }
    if (!connection_.Exec("begin transaction", kSyncFailed)) {
        return false;
    }
    SqlStatement give = connection_.Prepare(
        "insert into table_contact_card(contact_id, uid, lines) values(?1, ?2, '') on "
        "conflict(contact_id) do update set uid=?2");
    for (const int id : ids) {
        give.Reset();
        give.Bind(1, id).Bind(2, QUuid::createUuid().toString(QUuid::WithoutBraces));
        if (!connection_.Run(give, kSyncFailed)) {
            connection_.Exec("rollback transaction");
            return false;
        }
    }
    return connection_.Exec("commit transaction", kSyncFailed);
}

std::vector<std::vector<ContactCardRecord>> AddressBookTable::LoadCards() {
    const auto lock = connection_.Lock();
    SqlStatement query = connection_.Prepare(
        "select c.id, c.name, c.phone, c.head, c.email, c.company, c.home, c.other, k.uid, "
        "k.lines from table_contact c join table_contact_card k on k.contact_id=c.id where "
        "k.uid<>'' order by c.id");
    std::vector<std::vector<ContactCardRecord>> cards;
    std::map<QString, std::size_t> byUid;
    while (query.Next()) {
        ContactCardRecord row;
        row.contact = ContactRecord(query.Text(1), query.Text(2), query.Text(3));
        row.contact.id = query.Int(0);
        row.contact.email = query.Text(4);
        row.contact.company = query.Text(5);
        row.contact.home = query.Text(6);
        row.contact.other = query.Text(7);
        row.uid = query.Text(8);
        row.lines = query.Text(9);
        const auto [at, added] = byUid.emplace(row.uid, cards.size());
        if (added) {
            cards.emplace_back();
        }
        cards[at->second].push_back(std::move(row));
    }
    return cards;
}

bool AddressBookTable::StoreCard(const QString& uid, const std::vector<ContactCardRecord>& rows,
                                 const SyncedCard& synced, const AttributionDatabase& attribution) {
    const auto lock = connection_.Lock();
    std::map<QString, int> had; // stored number -> contact id
    {
        SqlStatement query = connection_.Prepare(
            "select c.id, c.phone from table_contact c join table_contact_card k on "
            "k.contact_id=c.id where k.uid=?");
        query.Bind(1, uid);
        while (query.Next()) {
            had.emplace(query.Text(1), query.Int(0));
        }
    }
    if (!connection_.Exec("begin transaction", kSyncFailed)) {
        return false;
    }
    SqlStatement update = connection_.Prepare(
        "update table_contact set name=?, email=?, company=?, home=?, other=?, nameindex=? "
        "where id=?");
    SqlStatement insert = connection_.Prepare(
        "insert into table_contact(name, phone, head, email, company, home, other, cid, "
        "datetime, attribution, nameindex) values(?, ?, '', ?, ?, ?, ?, '', '', ?, ?)");
    SqlStatement card = connection_.Prepare(
        "insert or replace into table_contact_card(contact_id, uid, lines) values(?, ?, ?)");
    SqlStatement remove = connection_.Prepare("delete from table_contact where id=?");
    bool ok = true;
    std::set<QString> kept;
    for (const ContactCardRecord& row : rows) {
        const QString number = ContactTable::StoredForm(row.contact.phone);
        if (number.isEmpty() || !kept.insert(number).second) {
            continue;
        }
        const ContactRecord& c = row.contact;
        int id = 0;
        if (const auto found = had.find(number); found != had.end()) {
            id = found->second;
            update.Reset();
            update.Bind(1, c.name)
                .Bind(2, c.email)
                .Bind(3, c.company)
                .Bind(4, c.home)
                .Bind(5, c.other)
                .Bind(6, c.initials)
                .Bind(7, id);
            ok = connection_.Run(update, kSyncFailed);
        } else {
            insert.Reset();
            insert.Bind(1, c.name)
                .Bind(2, number)
                .Bind(3, c.email)
                .Bind(4, c.company)
                .Bind(5, c.home)
                .Bind(6, c.other)
                .Bind(7, attribution.GetAttribution(number))
                .Bind(8, c.initials);
            ok = connection_.Run(insert, kSyncFailed);
            id = connection_.LastInsertId();
        }
        if (ok) {
            card.Reset();
            card.Bind(1, id).Bind(2, uid).Bind(3, row.lines);
            ok = connection_.Run(card, kSyncFailed);
        }
        if (!ok) {
            break;
        }
    }
    for (auto it = had.begin(); ok && it != had.end(); ++it) {
        if (kept.count(it->first) == 0) {
            remove.Reset();
            remove.Bind(1, it->second);
            ok = connection_.Run(remove, kSyncFailed);
        }
    }
    ok = ok && WriteSyncedLocked(connection_, synced) &&
         connection_.Exec("commit transaction", kSyncFailed);
    if (!ok) {
        connection_.Exec("rollback transaction");
    }
    return ok;
}

bool AddressBookTable::DeleteCard(const QString& uid, int* removed) {
    const auto lock = connection_.Lock();
    if (!connection_.Exec("begin transaction", kSyncFailed)) {
        return false;
    }
    SqlStatement remove = connection_.Prepare(
        "delete from table_contact where id in (select contact_id from table_contact_card "
        "where uid=?)");
    remove.Bind(1, uid);
    bool ok = connection_.Run(remove, kSyncFailed);
    const int count = ok ? connection_.Changes() : 0;
    ok = ok && ForgetSyncedLocked(connection_, uid) &&
         connection_.Exec("commit transaction", kSyncFailed);
    if (!ok) {
        connection_.Exec("rollback transaction");
        return false;
    }
    if (removed != nullptr) {
        *removed = count;
    }
    return true;
}

int AddressBookTable::CountContacts() {
    const auto lock = connection_.Lock();
    SqlStatement query = connection_.Prepare("select count(*) from table_contact");
    return query.Next() ? query.Int(0) : 0;
}

int AddressBookTable::CountCardContacts(const QString& uid) {
    const auto lock = connection_.Lock();
    SqlStatement query = connection_.Prepare("select count(*) from table_contact_card where uid=?");
    query.Bind(1, uid);
    return query.Next() ? query.Int(0) : 0;
}

} // namespace tamberlink
