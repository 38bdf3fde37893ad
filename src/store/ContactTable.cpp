#include "store/ContactTable.h"

#include "store/AttributionDatabase.h"
#include "store/StoreConnection.h"
#include "util/PhoneNumber.h"
#include "util/PinyinInitials.h"

#include <QStringList>

namespace tamberlink {

namespace {

constexpr const char* kAddFailed = "插入联系人失败：";
constexpr const char* kErrorOnly = "";

constexpr std::string_view kInsert =
    "insert into table_contact(name, phone, head, email, company, home, other, cid, datetime, "
    "attribution, nameindex) values(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)";

// Number as stored: no blanks, "+86" or "-", and no IP long-distance prefix in front.
QString NormaliseNumber(const QString& number) {
    return PhoneNumber::WithoutIpPrefix(PhoneNumber::Clean(number));
}

} // namespace

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

void ContactTable::ForEachKey(const std::function<void(const ContactKey&)>& take) {
    const auto lock = connection_.Lock();
    // Every write stores the initials, and the index on them gives them in order.
    SqlStatement query =
        connection_.Prepare("select id, nameindex from table_contact order by nameindex, id");
    ContactKey key;
    while (query.Next()) {
        key.id = query.Int(0);
        key.initials = query.Text(1);
        key.indexLetter = key.initials.isEmpty() ? QChar() : key.initials.front();
        take(key);
    }
}

std::vector<ContactKey> ContactTable::LoadKeys() {
    std::vector<ContactKey> keys;
    ForEachKey([&keys](const ContactKey& key) { keys.push_back(key); });
    return keys;
}

std::vector<ContactRecord> ContactTable::Get(const std::vector<int>& ids) {
    if (ids.empty()) {
        return {};
    }
    const auto lock = connection_.Lock();
    SqlStatement query = connection_.PrepareForIds("select * from table_contact", ids);
    return ReadAll(query, true, true, false);
}

std::vector<ContactRecord> ContactTable::SearchLocked(const QString& keyword,
                                                      bool withAttribution) {
    // The keyword is one bound pattern: '%' and '_' in it stay wildcards, quotes stay text.
    SqlStatement query = connection_.Prepare("select * from table_contact where name like ?1 or "
                                             "phone like ?1 or nameindex like ?1");
    query.Bind(1, u'%' + keyword + u'%');
    return ReadAll(query, true, withAttribution, false);
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
