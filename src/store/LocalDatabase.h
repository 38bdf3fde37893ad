#pragma once

#include "store/AccountRecord.h"
#include "store/CallLogRecord.h"
#include "store/ContactRecord.h"
#include "store/NoteRecord.h"
#include "store/SmsRecord.h"
#include "store/TemplateRecord.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <mutex>
#include <optional>
#include <string_view>
#include <vector>

struct sqlite3;

namespace tamberlink {

class AttributionDatabase;
class SqlStatement;

// The user's database: settings, account, contacts, call log, sent SMS, templates and notes.
// One connection serves every thread; each operation runs whole under the object's lock.
// Every value is bound as a parameter, so quotes, '%' and '_' are stored verbatim. Failed
// writes are reported on standard error with the operation's words and SQLite's message.
class LocalDatabase {
public:
    enum class RecordingLink {
        Linked,    // the call-log entry now carries the recording
        NotLinked, // no such entry, it has a recording already, or there is no recording
        Failed,    // the update failed; the error text says why
    };

    LocalDatabase() = default;
    ~LocalDatabase();
    LocalDatabase(const LocalDatabase&) = delete;
    LocalDatabase& operator=(const LocalDatabase&) = delete;

    // Opens (creating when missing) the database file. A file that is not a database counts
    // as a failed open. On failure the error text is in OpenError().
    bool Open(const QString& path);
    QString OpenError() const { return openError_; }
    bool IsOpen() const;
    void Close();

    // Brings a database made from the seed, or an older one, up to the current schema.
    // Every step may fail harmlessly (the column or table exists already).
    void RunMigrations();

    // Settings rows: text settings in value1, switches in value2. A missing row reads as
    // empty text or 0.
    QString ReadTextSetting(const QString& name);
    int ReadIntSetting(const QString& name);
    bool UpdateTextSetting(const QString& name, const QString& value);
    bool UpdateIntSetting(const QString& name, int value);

    // table_user row 0.
    AccountRecord ReadAccount();
    bool SaveLogin(const QString& account, const QString& password, bool remember);
    // Replaces the stored password alone (a password in clear giving way to its hash).
    bool UpdateStoredPassword(const QString& password);
    bool UpdateProfile(const QString& account, const QString& name, const QString& company);
    ProfileRecord GetProfile(const QString& account);

    // Contacts.
    std::vector<ContactRecord> LoadContacts();
    std::vector<ContactRecord> SearchContactList(const QString& keyword);
    std::vector<ContactRecord> SearchContacts(const QString& keyword);
    std::vector<ContactRecord> GetAllContacts();
    std::vector<ContactRecord> GetContactsForBackup();
    // Stores one row per number of the record's phone text (numbers separated by ';'),
    // normalised, skipping numbers already stored. False at the first failed insert.
    // `stored` receives the number of rows added.
    bool AddContact(const ContactRecord& record, const AttributionDatabase& attribution,
                    int* stored = nullptr);
    bool UpdateContact(const ContactRecord& record);
    bool DeleteContact(int id);
    bool DeleteAllContacts();
    QString GetContactName(const QString& number);
    // The downloaded contacts in one transaction: all are stored, or none.
    bool InsertDownloadedContacts(const std::vector<ContactRecord>& records);

    // Call log, newest first.
    std::vector<CallLogRecord> LoadCallLog();
    bool AddCallLog(const QString& number, const QString& place, const QString& corp, int type);
    bool DeleteCallLogs(const std::vector<int>& ids);
    bool HasNoteForCall(int callLogId);
    // The id of the newest call-log entry; 0 when the log is empty.
    int NewestCallLogId();
    // Writes the recording identifier into the entry `callId` (the newest when 0) when that
    // has none yet.
    RecordingLink LinkRecordingToCall(const QString& guid, int callId, QString* error = nullptr);

    // Sent SMS, newest first.
    std::vector<SmsRecord> LoadSmsList();
    bool AddSms(const QString& number, const QString& content, const QString& attribution);
    bool DeleteSms(const std::vector<int>& ids);
    // [date_time, content] of the first SMS sent to the number, or an empty list.
    QStringList GetFirstSmsTo(const QString& number);

    // SMS templates.
    std::vector<TemplateRecord> LoadTemplateList(); // newest first
    std::vector<TemplateRecord> GetAllTemplates();  // in table order
    // Inserts a template with id -1, updates any other.
    bool SaveTemplate(const TemplateRecord& record);
    bool DeleteTemplates(const std::vector<int>& ids);

    // Notes, newest first. `now` (seconds since 1970) decides which reminders are still due.
    std::vector<NoteRecord> LoadNoteList(std::int64_t now);
    bool AddNote(const QString& name, const QString& phone, const QString& head,
                 const QString& dateTime, const QString& content, int cid);
    bool UpdateNote(int id, const QString& name, const QString& phone, const QString& head,
                    const QString& dateTime, const QString& content);
    bool DeleteNotes(const std::vector<int>& ids);
    std::optional<NoteRecord> GetNote(int id);
    std::optional<NoteRecord> GetNoteForCall(int callLogId);

private:
    // Runs a statement that returns no rows; false (with the error line written when
    // `failureLine` is set) when it fails.
    bool Exec(std::string_view sql, const char* failureLine = nullptr);
    bool RunWrite(SqlStatement& statement, const char* failureLine);
    void ReportFailure(const char* failureLine);
    bool DeleteEach(std::string_view sql, const std::vector<int>& ids, const char* failureLine);
    std::vector<ContactRecord> ReadContacts(SqlStatement& query, bool withId, bool withAttribution,
                                            bool withCloudFields);
    std::vector<ContactRecord> SearchLocked(const QString& keyword, bool withAttribution);
    std::vector<TemplateRecord> ReadTemplates(std::string_view sql);
    // The first note the query finds for `key`, bound as text.
    std::optional<NoteRecord> FindNote(std::string_view sql, int key);
    bool IsNumberStored(const QString& number);
    // Contact name and picture for a number; the number itself and no picture when unknown.
    void NameAndHead(const QString& number, QString& name, QString& head);
    bool InsertContact(const ContactRecord& record, const QString& phone,
                       const QString& attribution);

    mutable std::mutex mutex_;
    sqlite3* db_ = nullptr;
    QString openError_;
};

} // namespace tamberlink
