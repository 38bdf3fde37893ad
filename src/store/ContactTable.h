#pragma once

#include "store/ContactRecord.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

namespace tamberlink {

class AttributionDatabase;
class SqlStatement;
class StoreConnection;

// table_contact: one row per number, stored normalised.
class ContactTable {
public:
    explicit ContactTable(StoreConnection& connection)
        : connection_(connection) {}

    std::vector<ContactRecord> Load();
    // Each contact's id with the initials of its name, by initials, then by id.
    std::vector<ContactKey> LoadKeys();
    // Hands each contact's key to `take` in that order, without holding them all: of every
    // contact, or of those SearchList finds for a `keyword` that is not empty; only the first
    // `limit` when it is not 0, which a long list reads in a few milliseconds.
    void ForEachKey(const std::function<void(const ContactKey&)>& take, int limit = 0,
                    const QString& keyword = {});
    // The contacts `ids` that exist, with their attribution, in no particular order.
    std::vector<ContactRecord> Get(const std::vector<int>& ids);
    // Rows whose name, number or initials contain the keyword; '%' and '_' in it stay
    // wildcards. SearchList gives each row's attribution too, as the lists show it.
    std::vector<ContactRecord> SearchList(const QString& keyword);
    std::vector<ContactRecord> Search(const QString& keyword);
    // The keys ForEachKey hands over for `keyword`.
    std::vector<ContactKey> SearchKeys(const QString& keyword, int limit = 0);
    std::vector<ContactRecord> GetAll();
    // With the cloud fields, so that a restore gets them back.
    std::vector<ContactRecord> GetForBackup();
    // Stores one row per number of the record's phone text (numbers separated by ';'),
    // normalised, skipping numbers already stored. False at the first failed insert.
    // `stored` receives the rows added, each with its id, number and attribution.
    bool Add(const ContactRecord& record, const AttributionDatabase& attribution,
             std::vector<ContactRecord>* stored = nullptr);
    // Writes the record's fields over the row of its id, with the attribution of its phone.
    bool Update(const ContactRecord& record, const AttributionDatabase& attribution);
    bool Delete(int id);
    bool DeleteAll();
    QString GetName(const QString& number);
    // The contacts of a file in one transaction, all or none: a number not stored yet is
    // added with its card; a stored one is skipped or, with `fillEmpty`, its empty e-mail,
    // company, address and note take the file's.
    bool ImportCards(const std::vector<ContactCardRecord>& rows, bool fillEmpty,
                     const AttributionDatabase& attribution, ContactImportCounts& counts);
    // The contacts `ids` (every contact when empty) with their cards, by id.
    std::vector<ContactCardRecord> LoadCards(const std::vector<int>& ids);
    // Whether each number is stored, in any of the forms a number is typed, in their order.
    std::vector<bool> HaveNumbers(const QStringList& numbers);
    // The number as it is stored: no blanks, "+86" or "-", no IP prefix; empty when none is
    // left.
    static QString StoredForm(const QString& number);

    // The downloaded contacts in one transaction: all are stored, or none. Each gets the
    // attribution of its number, as an added contact does.
    bool InsertDownloaded(const std::vector<ContactRecord>& records,
                          const AttributionDatabase& attribution);

    // Binds parameters 1 to 4 of a call-log or SMS insert, with the connection's lock held:
    // the name of the number's contact (the number itself when it has none), the number, the
    // contact's picture and the current local time.
    static void BindContactAndTime(const StoreConnection& connection, SqlStatement& insert,
                                   const QString& number);

private:
    // Binds parameters 1 to 7: name, `phone`, head, email, company, home, other.
    static void BindFields(SqlStatement& statement, const ContactRecord& record,
                           const QString& phone);
    std::vector<ContactRecord> ReadAll(SqlStatement& query, bool withId, bool withAttribution,
                                       bool withCloudFields);
    std::vector<ContactRecord> SearchLocked(const QString& keyword, bool withAttribution);
    bool IsNumberStored(const QString& number);
    bool Insert(const ContactRecord& record, const QString& phone, const QString& attribution);

    StoreConnection& connection_;
};

} // namespace tamberlink
