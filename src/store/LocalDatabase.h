#pragma once

#include "store/AccountRecord.h"
#include "store/CallLogRecord.h"
#include "store/ContactRecord.h"
#include "store/NoteRecord.h"
#include "store/OriginRecord.h"
#include "store/SmsRecord.h"
#include "store/TemplateRecord.h"

#include <QString>
#include <QStringList>

#include <atomic>
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
// The file is kept in WAL mode: a commit does not wait for the disk and still survives a
// crash of the program, and a second, read-only object over the same file reads long lists
// without waiting for the writer. Writes that add or change list rows return their ids, so
// that a list can read just those rows again.
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

    // Opens (creating when missing) the database file and puts it in WAL mode. A file that is
    // not a database counts as a failed open. On failure the error text is in OpenError().
    bool Open(const QString& path);
    // Opens an existing database file for reading only, beside the connection that writes.
    bool OpenForReading(const QString& path);
    QString OpenError() const { return openError_; }
    bool IsOpen() const;
    // The writing connection first moves every committed page into the file and empties the
    // log, so that a closed database is one file again.
    void Close();
    // Makes a statement running on another thread stop early (it then reads as finished),
    // and on a connection opened for reading every later one too; for ending a long read at
    // exit.
    void Interrupt();

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
    // `stored` receives the rows added, each with its id, number and attribution.
    bool AddContact(const ContactRecord& record, const AttributionDatabase& attribution,
                    std::vector<ContactRecord>* stored = nullptr);
    // Writes the record's fields over the row of its id, with the attribution of its phone.
    bool UpdateContact(const ContactRecord& record, const AttributionDatabase& attribution);
    bool DeleteContact(int id);
    bool DeleteAllContacts();
    QString GetContactName(const QString& number);
    // The downloaded contacts in one transaction: all are stored, or none. Each gets the
    // attribution of its number, as an added contact does.
    bool InsertDownloadedContacts(const std::vector<ContactRecord>& records,
                                  const AttributionDatabase& attribution);

    // Call log, newest first, each row with its note mark.
    std::vector<CallLogRecord> LoadCallLog();
    std::optional<CallLogRecord> GetCallLogEntry(int id);
    // The id of the new entry; 0 when the insert failed.
    int AddCallLog(const QString& number, const QString& place, const QString& corp, int type);
    bool DeleteCallLogs(const std::vector<int>& ids);
    bool HasNoteForCall(int callLogId);
    // The id of the newest call-log entry; 0 when the log is empty.
    int NewestCallLogId();
    // Writes the recording identifier into the entry `callId` (the newest when 0) when that
    // has none yet; `linkedId` receives the entry's id when it was linked.
    RecordingLink LinkRecordingToCall(const QString& guid, int callId, QString* error = nullptr,
                                      int* linkedId = nullptr);

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
    // Only the notes whose reminder lies ahead of `now`, for starting their timers.
    std::vector<NoteRecord> LoadDueReminders(std::int64_t now);
    // The id of the new note; 0 when the insert failed.
    int AddNote(const QString& name, const QString& phone, const QString& head,
                const QString& dateTime, const QString& content, int cid);
    bool UpdateNote(int id, const QString& name, const QString& phone, const QString& head,
                    const QString& dateTime, const QString& content);
    // `calls` receives the call-log entries the deleted notes were written for.
    bool DeleteNotes(const std::vector<int>& ids, std::vector<int>* calls = nullptr);

    // The answers for web pages, by origin.
    std::vector<OriginRecord> LoadOrigins();
    // Stores the answer for one use (OriginRecord::Use) of the origin, replacing the one it
    // had.
    bool SaveOriginAnswer(const QString& origin, int use, bool allowed);
    // Sets the answer of the records `ids` for one use, or for every use when none is named.
    bool SetOriginAnswers(const std::vector<int>& ids, std::optional<int> use, bool allowed);
    bool DeleteOrigins(const std::vector<int>& ids);
    std::optional<NoteRecord> GetNote(int id);
    std::optional<NoteRecord> GetNoteForCall(int callLogId);

private:
    // Runs a statement that returns no rows; false (with the error line written when
    // `failureLine` is set) when it fails.
    bool Exec(std::string_view sql, const char* failureLine = nullptr);
    bool RunWrite(SqlStatement& statement, const char* failureLine);
    // The new row's id after a successful insert, else 0 with the failure reported.
    int RunInsert(SqlStatement& statement, const char* failureLine);
    void ReportFailure(const char* failureLine);
    bool DeleteEach(std::string_view sql, const std::vector<int>& ids, const char* failureLine);
    // Runs `sql` once for each id bound to its one parameter, in one transaction, with the
    // lock held.
    void RunForEachIdLocked(std::string_view sql, const std::vector<int>& ids,
                            const char* failureLine);
    std::vector<CallLogRecord> ReadCallLog(SqlStatement& query);
    std::vector<ContactRecord> ReadContacts(SqlStatement& query, bool withId, bool withAttribution,
                                            bool withCloudFields);
    std::vector<ContactRecord> SearchLocked(const QString& keyword, bool withAttribution);
    std::vector<TemplateRecord> ReadTemplates(std::string_view sql);
    std::vector<NoteRecord> ReadNotes(std::string_view sql, std::int64_t now);
    // The first note the query finds for `key`, bound as text.
    std::optional<NoteRecord> FindNote(std::string_view sql, int key);
    bool IsNumberStored(const QString& number);
    // Contact name and picture for a number; the number itself and no picture when unknown.
    void NameAndHead(const QString& number, QString& name, QString& head);
    bool InsertContact(const ContactRecord& record, const QString& phone,
                       const QString& attribution);

    mutable std::mutex mutex_;
    sqlite3* db_ = nullptr;
    std::atomic<bool> interrupted_{false};
    bool readOnly_ = false;
    QString openError_;
};

} // namespace tamberlink
