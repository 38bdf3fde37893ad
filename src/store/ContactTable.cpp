#include "store/ContactTable.h"

#include "store/AttributionDatabase.h"
#include "store/StoreConnection.h"
#include "util/PhoneNumber.h"
#include "util/PinyinInitials.h"

#include <QStringList>

#include <sqlite3.h>

#include <algorithm>
#include <set>

namespace tamberlink {

namespace {

constexpr const char* kAddFailed = "插入联系人失败：";
constexpr const char* kErrorOnly = "";

constexpr std::string_view kInsert =
    "insert into table_contact(name, phone, head, email, company, home, other, cid, datetime, "
    "attribution, nameindex) values(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)";

QString NormaliseNumber(const QString& number) {
    return ContactTable::StoredForm(number);
}

} // namespace

QString ContactTable::StoredForm(const QString& number) {
    return PhoneNumber::WithoutIpPrefix(PhoneNumber::Clean(number));
}

bool ContactTable::ImportCards(const std::vector<ContactCardRecord>& rows, bool fillEmpty,
                               const AttributionDatabase& attribution,
                               ContactImportCounts& counts) {
    const auto lock = connection_.Lock();
    if (!connection_.Exec("begin transaction", kAddFailed)) {
        return false;
    }
    // Prepared once: a file of ten thousand cards runs them tens of thousands of times.
    SqlStatement stored =
        connection_.Prepare("select 1 from table_contact where phone=?1 or phone=?2 limit 1");
    SqlStatement insert = connection_.Prepare(kInsert);
    SqlStatement card = connection_.Prepare(
        "insert or replace into table_contact_card(contact_id, uid, lines) values(?, ?, ?)");
    SqlStatement fill = connection_.Prepare(
        "update table_contact set email=case when coalesce(email,'')='' then ?1 else email end, "
        "company=case when coalesce(company,'')='' then ?2 else company end, home=case when "
        "coalesce(home,'')='' then ?3 else home end, other=case when coalesce(other,'')='' then "
        "?4 else other end where phone=?5 and ((coalesce(email,'')='' and ?1<>'') or "
        "(coalesce(company,'')='' and ?2<>'') or (coalesce(home,'')='' and ?3<>'') or "
        "(coalesce(other,'')='' and ?4<>''))");
    ContactImportCounts done;
    const auto fail = [this] {
        connection_.Exec("rollback transaction");
        return false;
    };
    for (const ContactCardRecord& row : rows) {
        const QString number = NormaliseNumber(row.contact.phone);
        if (number.isEmpty()) {
            ++done.skipped;
            continue;
        }
        stored.Reset();
        stored.Bind(1, row.contact.phone).Bind(2, number);
        if (stored.Next()) {
            if (!fillEmpty) {
                ++done.skipped;
                continue;
            }
            fill.Reset();
            fill.Bind(1, row.contact.email)
                .Bind(2, row.contact.company)
                .Bind(3, row.contact.home)
                .Bind(4, row.contact.other)
                .Bind(5, number);
            if (!connection_.Run(fill, kAddFailed)) {
                return fail();
            }
            ++(sqlite3_changes(connection_.Handle()) > 0 ? done.filled : done.skipped);
            continue;
        }
        insert.Reset();
        BindFields(insert, row.contact, number);
        insert.Bind(8, row.contact.cid)
            .Bind(9, row.contact.datetime)
            .Bind(10, attribution.GetAttribution(number))
            .Bind(11, row.contact.initials);
        if (!connection_.Run(insert, kAddFailed)) {
            return fail();
        }
        card.Reset();
        card.Bind(1, connection_.LastInsertId()).Bind(2, row.uid).Bind(3, row.lines);
        if (!connection_.Run(card, kAddFailed)) {
            return fail();
        }
        ++done.added;
    }
    if (!connection_.Exec("commit transaction", kAddFailed)) {
        return fail();
    }
    counts = done;
    return true;
}

std::vector<bool> ContactTable::HaveNumbers(const QStringList& numbers) {
    const auto lock = connection_.Lock();
    SqlStatement stored =
        connection_.Prepare("select 1 from table_contact where phone=?1 or phone=?2 limit 1");
    std::vector<bool> have;
    have.reserve(std::size_t(numbers.size()));
    for (const QString& number : numbers) {
        stored.Reset();
        stored.Bind(1, number).Bind(2, NormaliseNumber(number));
        have.push_back(stored.Next());
    }
    return have;
}

std::vector<ContactCardRecord> ContactTable::LoadCards(const std::vector<int>& ids) {
    const auto lock = connection_.Lock();
    SqlStatement query = connection_.Prepare(
        "select c.id, c.name, c.phone, c.head, c.email, c.company, c.home, c.other, "
        "coalesce(k.uid, ''), coalesce(k.lines, '') from table_contact c left join "
        "table_contact_card k on k.contact_id=c.id order by c.id");
    std::vector<ContactCardRecord> cards;
    const std::set<int> wanted(ids.begin(), ids.end());
    while (query.Next()) {
        const int id = query.Int(0);
        if (!wanted.empty() && wanted.count(id) == 0) {
            continue;
        }
        ContactCardRecord& card = cards.emplace_back();
        card.contact = ContactRecord(query.Text(1), query.Text(2), query.Text(3));
        card.contact.id = id;
        card.contact.email = query.Text(4);
        card.contact.company = query.Text(5);
        card.contact.home = query.Text(6);
        card.contact.other = query.Text(7);
        card.uid = query.Text(8);
        card.lines = query.Text(9);
    }
    return cards;
}

std::vector<ContactRecord> ContactTable::ReadAll(SqlStatement& query, bool withId,
                                                 bool withAttribution, bool withCloudFields) {
    std::vector<ContactRecord> contacts;
    while (query.Next()) {
        ContactRecord& contact = contacts.emplace_back(query.Text(1), query.Text(2), query.Text(3));
        if (withId) {
            contact.id = query.Int(0);
        }
        contact.email = query.Text(4);
        contact.company = query.Text(5);
        contact.home = query.Text(6);
        contact.other = query.Text(7);
        if (withCloudFields) {
            contact.cid = query.Text(8);
            contact.datetime = query.Text(9);
        }
        if (withAttribution) {
            contact.attribution = query.Text(10);
        }
    }
    return contacts;
}

std::vector<ContactRecord> ContactTable::Load() {
    const auto lock = connection_.Lock();
    SqlStatement query = connection_.Prepare("select * from table_contact");
    return ReadAll(query, true, true, false);
}

namespace {

// Hands each row of `query` (id, initials) to `take` as a contact's key.
void TakeKeys(SqlStatement& query, const std::function<void(const ContactKey&)>& take) {
    ContactKey key;
    while (query.Next()) {
        key.id = query.Int(0);
        key.initials = query.Text(1);
        key.indexLetter = key.initials.isEmpty() ? QChar() : key.initials.front();
        take(key);
    }
}

} // namespace

std::vector<ContactKey> ContactTable::LoadKeys() {
    return SearchKeys({});
}

std::vector<ContactRecord> ContactTable::Get(const std::vector<int>& ids) {
    if (ids.empty()) {
        return {};
    }
    const auto lock = connection_.Lock();
    SqlStatement query = connection_.PrepareForIds("select * from table_contact", ids);
    return ReadAll(query, true, true, false);
}

namespace {

// How the contacts that contain a keyword are found.
enum class Way {
    Trigrams, // three characters or more: the trigram index
    Grams,    // one or two characters, not all digits: the index of characters and pairs
    Scan,     // one or two digits, found in most numbers, and patterns: reading the rows
};

bool IsDigits(const QString& keyword) {
    return std::all_of(keyword.begin(), keyword.end(),
                       [](QChar c) { return c >= u'0' && c <= u'9'; });
}

// Patterns with '%' or '_' match as LIKE does, by reading the rows.
Way WayOf(const QString& keyword) {
    if (keyword.contains(u'%') || keyword.contains(u'_')) {
        return Way::Scan;
    }
    if (keyword.toUcs4().size() >= 3) {
        return Way::Trigrams;
    }
    return IsDigits(keyword) ? Way::Scan : Way::Grams;
}

// The keyword as one FTS5 phrase: quoted, its quotes doubled.
QString Phrase(const QString& keyword) {
    QString quoted = keyword;
    quoted.replace(u'"', QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

// The ids of the contacts that contain ?1, through an index.
std::string MatchingIds(Way way) {
    return way == Way::Trigrams
               ? "select rowid from table_contact_search where table_contact_search match ?1"
               : "select id from table_contact_gram where gram = lower(?1)";
}

// The keyword as ?1 binds it.
QString Bound(Way way, const QString& keyword) {
    switch (way) {
    case Way::Trigrams:
        return Phrase(keyword);
    case Way::Grams:
        return keyword;
    case Way::Scan:
        break;
    }
    // One bound pattern: '%' and '_' in it stay wildcards, quotes stay text.
    return u'%' + keyword + u'%';
}

constexpr std::string_view kContains = "name like ?1 or phone like ?1 or nameindex like ?1";

// Digits found in this many contacts or more are common: numbers do not follow the list's
// order, so the first of them are met soon when the rows are read in that order.
constexpr int kCommon = 2000;

// `columns` of the contacts whose name, number or initials contain the keyword.
SqlStatement PrepareSearch(StoreConnection& connection, const QString& keyword,
                           const std::string& columns) {
    const Way way = WayOf(keyword);
    SqlStatement query = connection.Prepare(
        "select " + columns + " from table_contact where " +
        (way == Way::Scan ? std::string(kContains) : "id in (" + MatchingIds(way) + ")"));
    query.Bind(1, Bound(way, keyword));
    return query;
}

} // namespace

std::vector<ContactRecord> ContactTable::SearchLocked(const QString& keyword,
                                                      bool withAttribution) {
    SqlStatement query = PrepareSearch(connection_, keyword, "*");
    return ReadAll(query, true, withAttribution, false);
}

void ContactTable::ForEachKey(const std::function<void(const ContactKey&)>& take, int limit,
                              const QString& keyword) {
    const auto lock = connection_.Lock();
    if (keyword.isEmpty()) {
        // Every write stores the initials, and the index on them gives them in order.
        SqlStatement query = connection_.Prepare(
            "select id, nameindex from table_contact order by nameindex, id limit ?1");
        query.Bind(1, limit > 0 ? limit : -1);
        TakeKeys(query, take);
        return;
    }
    Way way = WayOf(keyword);
    if (way == Way::Trigrams && limit > 0 && IsDigits(keyword)) {
        SqlStatement count = connection_.Prepare("select count(*) from (" + MatchingIds(way) +
                                                 " limit " + std::to_string(kCommon) + ")");
        count.Bind(1, Bound(way, keyword));
        if (count.Next() && count.Int(0) >= kCommon) {
            way = Way::Scan;
        }
    }
    std::string sql;
    switch (way) {
    case Way::Grams:
        // The index holds the initials: it gives the contacts in the list's order.
        sql = "select id, nameindex from table_contact_gram where gram = lower(?1) order by "
              "nameindex, id";
        break;
    case Way::Trigrams:
        // The order on an expression keeps SQLite from walking the whole list in order to
        // find a few.
        sql = "select id, nameindex from table_contact where id in (" + MatchingIds(way) +
              ") order by nameindex || '', id";
        break;
    case Way::Scan:
        // The first screen reads the rows in the list's order until it has them; the whole
        // result reads every row once and sorts what it found.
        sql = std::string("select id, nameindex from table_contact ") +
              (limit > 0 ? "indexed by table_contact_nameindex " : "") + "where " +
              std::string(kContains) +
              (limit > 0 ? " order by nameindex, id" : " order by nameindex || '', id");
        break;
    }
    SqlStatement query = connection_.Prepare(sql + " limit ?2");
    query.Bind(1, Bound(way, keyword)).Bind(2, limit > 0 ? limit : -1);
    TakeKeys(query, take);
}

std::vector<ContactKey> ContactTable::SearchKeys(const QString& keyword, int limit) {
    std::vector<ContactKey> keys;
    ForEachKey([&keys](const ContactKey& key) { keys.push_back(key); }, limit, keyword);
    return keys;
}

std::vector<ContactRecord> ContactTable::SearchList(const QString& keyword) {
    const auto lock = connection_.Lock();
    return SearchLocked(keyword, true);
}

std::vector<ContactRecord> ContactTable::Search(const QString& keyword) {
    const auto lock = connection_.Lock();
    return SearchLocked(keyword, false);
}

std::vector<ContactRecord> ContactTable::GetAll() {
    const auto lock = connection_.Lock();
    SqlStatement query = connection_.Prepare("select * from table_contact");
    return ReadAll(query, false, false, false);
}

std::vector<ContactRecord> ContactTable::GetForBackup() {
    const auto lock = connection_.Lock();
    SqlStatement query = connection_.Prepare("select * from table_contact");
    return ReadAll(query, false, false, true);
}

bool ContactTable::IsNumberStored(const QString& number) {
    SqlStatement query = connection_.Prepare("select name from table_contact where phone=?");
    query.Bind(1, number);
    return query.Next() && !query.Text(0).isEmpty();
}

bool ContactTable::Insert(const ContactRecord& record, const QString& phone,
                          const QString& attribution) {
    SqlStatement insert = connection_.Prepare(kInsert);
    BindFields(insert, record, phone);
    insert.Bind(8, record.cid)
        .Bind(9, record.datetime)
        .Bind(10, attribution)
        .Bind(11, GetInitials(record.name));
    return connection_.Run(insert, kAddFailed);
}

bool ContactTable::Add(const ContactRecord& record, const AttributionDatabase& attribution,
                       std::vector<ContactRecord>* stored) {
    const auto lock = connection_.Lock();
    // Empty parts (a trailing ';', ";;") are no numbers and are not stored.
    for (const QString& typed : record.phone.split(u';', Qt::SkipEmptyParts)) {
        const QString number = NormaliseNumber(typed);
        // Stored numbers are normalised, so the typed form and the stored form are both checked.
        if (number.isEmpty() || IsNumberStored(typed) || IsNumberStored(number)) {
            continue;
        }
        const QString where = attribution.GetAttribution(number);
        if (!Insert(record, number, where)) {
            return false;
        }
        if (stored != nullptr) {
            // The row as a list shows it, with its id, so that it can be edited and deleted.
            ContactRecord& added = stored->emplace_back(record);
            added.id = connection_.LastInsertId();
            added.phone = number;
            added.attribution = where;
        }
    }
    return true;
}

bool ContactTable::Update(const ContactRecord& record, const AttributionDatabase& attribution) {
    const auto lock = connection_.Lock();
    // Where the number belongs follows the number: an edited number must not show the old
    // one's place.
    SqlStatement update =
        connection_.Prepare("update table_contact set name=?, phone=?, head=?, email=?, "
                            "company=?, home=?, other=?, nameindex=?, attribution=? where id=?");
    BindFields(update, record, record.phone);
    update.Bind(8, GetInitials(record.name))
        .Bind(9, attribution.GetAttribution(record.phone))
        .Bind(10, QString::number(record.id));
    return update.Run();
}

bool ContactTable::Delete(int id) {
    const auto lock = connection_.Lock();
    SqlStatement remove = connection_.Prepare("delete from table_contact where id=?");
    remove.Bind(1, id);
    connection_.Run(remove, kErrorOnly);
    return true;
}

bool ContactTable::DeleteAll() {
    const auto lock = connection_.Lock();
    connection_.Exec("delete from table_contact", kErrorOnly);
    return true;
}

QString ContactTable::GetName(const QString& number) {
    const auto lock = connection_.Lock();
    SqlStatement query = connection_.Prepare("select name from table_contact where phone=?");
    query.Bind(1, number);
    return query.Next() ? query.Text(0) : QString();
}

bool ContactTable::InsertDownloaded(const std::vector<ContactRecord>& records,
                                    const AttributionDatabase& attribution) {
    const auto lock = connection_.Lock();
    if (!connection_.Exec("begin transaction", kAddFailed)) {
        return false;
    }
    for (const ContactRecord& record : records) {
        // A failed insert undoes the whole download, so a retry starts from a clean list.
        if (!Insert(record, record.phone, attribution.GetAttribution(record.phone))) {
            connection_.Exec("rollback transaction");
            return false;
        }
    }
    if (!connection_.Exec("commit transaction", kAddFailed)) {
        connection_.Exec("rollback transaction");
        return false;
    }
    return true;
}

void ContactTable::BindFields(SqlStatement& statement, const ContactRecord& record,
                              const QString& phone) {
    statement.Bind(1, record.name)
        .Bind(2, phone)
        .Bind(3, record.head)
        .Bind(4, record.email)
        .Bind(5, record.company)
        .Bind(6, record.home)
        .Bind(7, record.other);
}

void ContactTable::BindContactAndTime(const StoreConnection& connection, SqlStatement& insert,
                                      const QString& number) {
    SqlStatement query = connection.Prepare("select name, head from table_contact where phone=?");
    query.Bind(1, number);
    const bool known = query.Next();
    insert.Bind(1, known ? query.Text(0) : number)
        .Bind(2, number)
        .Bind(3, known ? query.Text(1) : QString())
        .Bind(4, CurrentLocalTimeText());
}

} // namespace tamberlink
