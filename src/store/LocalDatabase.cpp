#include "store/LocalDatabase.h"

#include "store/AttributionDatabase.h"
#include "store/SqlStatement.h"
#include "util/PhoneNumber.h"
#include "util/TextCodec.h"

#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <ctime>

namespace tamberlink {

namespace {

// Failure lines, each followed by SQLite's message.
constexpr const char* kAddCallLogFailed = "插入通话记录失败：%s";
constexpr const char* kAddSmsFailed = "插入短信失败：%s";
constexpr const char* kAddContactFailed = "插入联系人失败：%s";
constexpr const char* kAddNoteFailed = "插入笔记失败：%s";
constexpr const char* kUpdateNoteFailed = "更新笔记失败：%s";
constexpr const char* kDeleteCallLogFailed = "删除通话记录失败: %s";
constexpr const char* kDeleteSmsFailed = "删除短信失败： %s";
constexpr const char* kDeleteTemplateFailed = "删除模版短信失败：%s";
constexpr const char* kDeleteNoteFailed = "删除笔记失败：%s";
constexpr const char* kSaveOriginFailed = "保存网页访问权限失败：%s";
constexpr const char* kDeleteOriginFailed = "删除网页访问权限失败：%s";
constexpr const char* kUpdateProfileFailed = "更新个人信息：%s";
constexpr const char* kErrorOnly = "%s";

// The call log's columns and each row's note mark, in one statement that finds the notes
// through the index on their call.
constexpr std::string_view kCallLogRows =
    "select id, name, phone, head, date_time, type, areacode, corp, record_guid, "
    "exists(select 1 from table_notepad where table_notepad.cid=table_log.id and "
    "table_notepad.id>0) from table_log";

constexpr std::string_view kInsertContact =
    "insert into table_contact(name, phone, head, email, company, home, other, cid, datetime, "
    "attribution, nameindex) values(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)";

// The current local time as the call log and the SMS list store it: "2016/03/07 09:05:00".
QString CurrentLocalTimeText() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[64];
    std::snprintf(text, sizeof text, "%4d/%02d/%02d %02d:%02d:%02d", local.tm_year + 1900,
                  local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    return QString::fromLatin1(text);
}

// Number as stored: no blanks, "+86" or "-", and no IP long-distance prefix in front.
QString NormaliseContactNumber(const QString& number) {
    return PhoneNumber::WithoutIpPrefix(PhoneNumber::Clean(number));
}

NoteRecord ReadNote(const SqlStatement& query) {
    NoteRecord note;
    note.id = query.Int(0);
    note.name = query.Text(1);
    note.phone = query.Text(2);
    note.head = query.Text(3);
    note.dateTime = query.Text(4);
    note.content = query.Text(5);
    note.cid = query.Int(6);
    bool isNumber = false;
    const qint64 seconds = note.dateTime.toLongLong(&isNumber);
    std::string shown;
    if (isNumber && TimeToText(seconds, shown)) {
        note.displayTime = QString::fromStdString(shown);
    }
    return note;
}

} // namespace

LocalDatabase::~LocalDatabase() {
    Close();
}

bool LocalDatabase::Open(const QString& path) {
    Close();
    std::lock_guard lock(mutex_);
    db_ = OpenDatabaseFile(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX,
                           openError_);
    if (db_ == nullptr) {
        return false;
    }
    readOnly_ = false;
    // Another process (a second start, an inspecting tool) may hold the file for a moment.
    sqlite3_busy_timeout(db_, 3000);
    // A commit appends to the log without waiting for the disk and survives a crash of the
    // program; readers on other connections never wait for the writer. Where the file
    // system cannot keep a log, the database stays in its old mode and works as before.
    Exec("PRAGMA journal_mode=WAL");
    Exec("PRAGMA synchronous=NORMAL");
    return true;
}

bool LocalDatabase::OpenForReading(const QString& path) {
    Close();
    std::lock_guard lock(mutex_);
    db_ = OpenDatabaseFile(path, SQLITE_OPEN_READONLY | SQLITE_OPEN_FULLMUTEX, openError_);
    if (db_ == nullptr) {
        return false;
    }
    readOnly_ = true;
    sqlite3_busy_timeout(db_, 3000);
    // sqlite3_interrupt only reaches a statement already running; the flag also stops one
    // that a job is just about to start.
    interrupted_ = false;
    sqlite3_progress_handler(
        db_, 1000, [](void* flag) { return static_cast<std::atomic<bool>*>(flag)->load() ? 1 : 0; },
        &interrupted_);
    return true;
}

bool LocalDatabase::IsOpen() const {
    std::lock_guard lock(mutex_);
    return db_ != nullptr;
}

void LocalDatabase::Close() {
    std::lock_guard lock(mutex_);
    if (db_ != nullptr && !readOnly_) {
        // The last connection to close would do this too; doing it here leaves the file
        // whole even when a reader still holds it open.
        Exec("PRAGMA wal_checkpoint(TRUNCATE)");
    }
    sqlite3_close(db_);
    db_ = nullptr;
}

void LocalDatabase::Interrupt() {
    interrupted_ = true;
    // Deliberately without the lock: the statement to stop holds it.
    if (sqlite3* db = db_) {
        sqlite3_interrupt(db);
    }
}

bool LocalDatabase::Exec(std::string_view sql, const char* failureLine) {
    SqlStatement statement(db_, sql);
    if (!statement.IsValid()) {
        if (failureLine != nullptr) {
            ReportFailure(failureLine);
        }
        return false;
    }
    return failureLine != nullptr ? RunWrite(statement, failureLine) : statement.Run();
}

bool LocalDatabase::RunWrite(SqlStatement& statement, const char* failureLine) {
    if (statement.Run()) {
        return true;
    }
    ReportFailure(failureLine);
    return false;
}

int LocalDatabase::RunInsert(SqlStatement& statement, const char* failureLine) {
    return RunWrite(statement, failureLine) ? int(sqlite3_last_insert_rowid(db_)) : 0;
}

void LocalDatabase::ReportFailure(const char* failureLine) {
    const char* message = db_ != nullptr ? sqlite3_errmsg(db_) : "database not open";
    std::fprintf(stderr, failureLine, message);
    std::fputc('\n', stderr);
}

void LocalDatabase::RunMigrations() {
    std::lock_guard lock(mutex_);
    if (db_ == nullptr) {
        return;
    }
    // Each statement fails once its column, table or row exists; that is the normal case.
    SqlStatement proxy(db_, "insert into table_setting(name, value1, value2) select ?, '', '0' "
                            "where not exists(select id from table_setting where name=?) ");
    proxy.Bind(1, QStringLiteral("proxy")).Bind(2, QStringLiteral("proxy")).Run();
    Exec("ALTER TABLE 'table_contact' ADD 'attribution' varchar(64) default '未知号码'");
    Exec("ALTER TABLE 'table_sms' ADD 'attribution' varchar(64) default '未知号码'");
    Exec("ALTER TABLE 'table_contact' ADD 'nameindex' varchar(32) default ''");

    struct DefaultRow {
        const char16_t* name;
        std::string_view insert;
    };
    static constexpr DefaultRow kDefaults[] = {
        {u"popoff", "insert into table_setting(name, value2) values('popoff', '1')"},
        {u"auto", "insert into table_setting(name, value1, value2) values('auto', '0', '0')"},
        {u"auto_admin",
         "insert into table_setting(name, value1, value2) values('auto_admin', '0', '0')"},
        {u"cloudServer",
         "insert into table_setting(name, value1, value2) values('cloudServer', '', '0')"},
    };
    for (const DefaultRow& row : kDefaults) {
        SqlStatement count(db_, "select count(id) from table_setting where name=?");
        count.Bind(1, QString::fromUtf16(row.name));
        if (count.Next() && count.Int(0) == 0) {
            Exec(row.insert);
        }
    }

    Exec("ALTER TABLE 'table_log' ADD 'record_guid' varchar(64) default ''");
    Exec("create table table_template(id INTEGER PRIMARY KEY AUTOINCREMENT default 0, "
         "title text, content text)");

    // The lookups by number and the call log's note marks read these indexes; databases
    // made before the seed had them gain them here, once.
    Exec("create index if not exists table_contact_phone on table_contact(phone)");
    Exec("create index if not exists table_sms_phone on table_sms(phone)");
    Exec("create index if not exists table_notepad_cid on table_notepad(cid)");
    Exec("create table table_origin(id INTEGER PRIMARY KEY AUTOINCREMENT, "
         "origin text unique not null, allowed integer not null default 0)");
    // Pages are answered for each use since; an answer from before named no use, so a
    // refusal stands for every use and a permission for none. "allowed" stays 0 from now
    // on, which an older build reads as refused.
    const bool inTransaction = Exec("begin transaction");
    if (Exec("ALTER TABLE table_origin ADD dial integer")) {
        Exec("ALTER TABLE table_origin ADD sms integer");
        Exec("ALTER TABLE table_origin ADD record integer");
        Exec("ALTER TABLE table_origin ADD events integer");
        Exec("update table_origin set dial=0, sms=0, record=0, events=0 where allowed=0");
        Exec("update table_origin set allowed=0");
    }
    if (inTransaction && !Exec("commit transaction")) {
        Exec("rollback transaction");
    }
}

QString LocalDatabase::ReadTextSetting(const QString& name) {
    std::lock_guard lock(mutex_);
    SqlStatement query(db_, "select value1 from table_setting where name=?");
    query.Bind(1, name);
    return query.Next() ? query.Text(0) : QString();
}

int LocalDatabase::ReadIntSetting(const QString& name) {
    std::lock_guard lock(mutex_);
    SqlStatement query(db_, "select value2 from table_setting where name=?");
    query.Bind(1, name);
    return query.Next() ? query.Int(0) : 0;
}

bool LocalDatabase::UpdateTextSetting(const QString& name, const QString& value) {
    std::lock_guard lock(mutex_);
    SqlStatement update(db_, "update table_setting set value1=? where name=?");
    update.Bind(1, value).Bind(2, name);
    return update.Run();
}

bool LocalDatabase::UpdateIntSetting(const QString& name, int value) {
    std::lock_guard lock(mutex_);
    SqlStatement update(db_, "update table_setting set value2=? where name=?");
    update.Bind(1, value).Bind(2, name);
    return update.Run();
}

AccountRecord LocalDatabase::ReadAccount() {
    std::lock_guard lock(mutex_);
    SqlStatement query(db_, "select account,password,rememberpsd from table_user where id='0'");
    AccountRecord account;
    if (query.Next()) {
        account.account = query.Text(0);
        account.password = query.Text(1);
        account.rememberPassword = query.Int(2);
    }
    return account;
}

bool LocalDatabase::SaveLogin(const QString& account, const QString& password, bool remember) {
    std::lock_guard lock(mutex_);
    const QString flag = QString::number(remember ? 1 : 0);
    if (account.isEmpty()) {
        SqlStatement update(db_, "update table_user set rememberpsd=? where id='0'");
        update.Bind(1, flag);
        return RunWrite(update, kErrorOnly);
    }
    SqlStatement update(db_,
                        "update table_user set account=?, password=?, rememberpsd=? where id='0'");
    update.Bind(1, account).Bind(2, password).Bind(3, flag);
    return RunWrite(update, kErrorOnly);
}

bool LocalDatabase::UpdateStoredPassword(const QString& password) {
    std::lock_guard lock(mutex_);
    // The text replaced is a password: its bytes are overwritten, not left in free space.
    Exec("PRAGMA secure_delete=ON");
    SqlStatement update(db_, "update table_user set password=? where id='0'");
    update.Bind(1, password);
    if (!RunWrite(update, kErrorOnly)) {
        return false;
    }
    // Until a checkpoint the file keeps the old page beside the new one in the log.
    Exec("PRAGMA wal_checkpoint(TRUNCATE)");
    return true;
}

bool LocalDatabase::UpdateProfile(const QString& account, const QString& name,
                                  const QString& company) {
    std::lock_guard lock(mutex_);
    SqlStatement update(db_, "update table_user set account=?, name=?, company=? where id='0'");
    update.Bind(1, account).Bind(2, name).Bind(3, company);
    return RunWrite(update, kUpdateProfileFailed);
}

ProfileRecord LocalDatabase::GetProfile(const QString& account) {
    std::lock_guard lock(mutex_);
    SqlStatement query(db_, "select name,company from table_user where account=?");
    query.Bind(1, account);
    ProfileRecord profile;
    if (query.Next()) {
        profile.name = query.Text(0);
        profile.company = query.Text(1);
    }
    return profile;
}

std::vector<ContactRecord> LocalDatabase::ReadContacts(SqlStatement& query, bool withId,
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

std::vector<ContactRecord> LocalDatabase::LoadContacts() {
    std::lock_guard lock(mutex_);
    SqlStatement query(db_, "select * from table_contact");
    return ReadContacts(query, true, true, false);
}

std::vector<ContactRecord> LocalDatabase::SearchLocked(const QString& keyword,
                                                       bool withAttribution) {
    // The keyword is one bound pattern: '%' and '_' in it stay wildcards, quotes stay text.
    SqlStatement query(db_, "select * from table_contact where name like ?1 or phone like ?1 "
                            "or nameindex like ?1");
    query.Bind(1, u'%' + keyword + u'%');
    return ReadContacts(query, true, withAttribution, false);
}

std::vector<ContactRecord> LocalDatabase::SearchContactList(const QString& keyword) {
    std::lock_guard lock(mutex_);
    return SearchLocked(keyword, true);
}

std::vector<ContactRecord> LocalDatabase::SearchContacts(const QString& keyword) {
    std::lock_guard lock(mutex_);
    return SearchLocked(keyword, false);
}

std::vector<ContactRecord> LocalDatabase::GetAllContacts() {
    std::lock_guard lock(mutex_);
    SqlStatement query(db_, "select * from table_contact");
    return ReadContacts(query, false, false, false);
}

std::vector<ContactRecord> LocalDatabase::GetContactsForBackup() {
    std::lock_guard lock(mutex_);
    SqlStatement query(db_, "select * from table_contact");
    // The backup carries the cloud date stamp too, so a restore gets it back.
    return ReadContacts(query, false, false, true);
}

bool LocalDatabase::IsNumberStored(const QString& number) {
    SqlStatement query(db_, "select name from table_contact where phone=?");
    query.Bind(1, number);
    return query.Next() && !query.Text(0).isEmpty();
}

bool LocalDatabase::InsertContact(const ContactRecord& record, const QString& phone,
                                  const QString& attribution) {
    SqlStatement insert(db_, kInsertContact);
    insert.Bind(1, record.name)
        .Bind(2, phone)
        .Bind(3, record.head)
        .Bind(4, record.email)
        .Bind(5, record.company)
        .Bind(6, record.home)
        .Bind(7, record.other)
        .Bind(8, record.cid)
        .Bind(9, record.datetime)
        .Bind(10, attribution)
        .Bind(11, record.initials);
    return RunWrite(insert, kAddContactFailed);
}

bool LocalDatabase::AddContact(const ContactRecord& record, const AttributionDatabase& attribution,
                               std::vector<ContactRecord>* stored) {
    std::lock_guard lock(mutex_);
    // Empty parts (a trailing ';', ";;") are no numbers and are not stored.
    for (const QString& typed : record.phone.split(u';', Qt::SkipEmptyParts)) {
        const QString number = NormaliseContactNumber(typed);
        // Stored numbers are normalised, so the typed form and the stored form are both checked.
        if (number.isEmpty() || IsNumberStored(typed) || IsNumberStored(number)) {
            continue;
        }
        const QString where = attribution.GetAttribution(number);
        if (!InsertContact(record, number, where)) {
            return false;
        }
        if (stored != nullptr) {
            // The row as a list shows it, with its id, so that it can be edited and deleted.
            ContactRecord& added = stored->emplace_back(record);
            added.id = int(sqlite3_last_insert_rowid(db_));
            added.phone = number;
            added.attribution = where;
        }
    }
    return true;
}

bool LocalDatabase::UpdateContact(const ContactRecord& record,
                                  const AttributionDatabase& attribution) {
    std::lock_guard lock(mutex_);
    // Where the number belongs follows the number: an edited number must not show the old
    // one's place.
    SqlStatement update(db_, "update table_contact set name=?, phone=?, head=?, email=?, "
                             "company=?, home=?, other=?, nameindex=?, attribution=? where id=?");
    update.Bind(1, record.name)
        .Bind(2, record.phone)
        .Bind(3, record.head)
        .Bind(4, record.email)
        .Bind(5, record.company)
        .Bind(6, record.home)
        .Bind(7, record.other)
        .Bind(8, record.initials)
        .Bind(9, attribution.GetAttribution(record.phone))
        .Bind(10, QString::number(record.id));
    return update.Run();
}

bool LocalDatabase::DeleteContact(int id) {
    std::lock_guard lock(mutex_);
    SqlStatement remove(db_, "delete from table_contact where id=?");
    remove.Bind(1, id);
    RunWrite(remove, kErrorOnly);
    return true;
}

bool LocalDatabase::DeleteAllContacts() {
    std::lock_guard lock(mutex_);
    Exec("delete from table_contact", kErrorOnly);
    return true;
}

QString LocalDatabase::GetContactName(const QString& number) {
    std::lock_guard lock(mutex_);
    SqlStatement query(db_, "select name from table_contact where phone=?");
    query.Bind(1, number);
    return query.Next() ? query.Text(0) : QString();
}

bool LocalDatabase::InsertDownloadedContacts(const std::vector<ContactRecord>& records,
                                             const AttributionDatabase& attribution) {
    std::lock_guard lock(mutex_);
    if (!Exec("begin transaction", kAddContactFailed)) {
        return false;
    }
    for (const ContactRecord& record : records) {
        // A failed insert undoes the whole download, so a retry starts from a clean list.
        if (!InsertContact(record, record.phone, attribution.GetAttribution(record.phone))) {
            Exec("rollback transaction");
            return false;
        }
    }
    if (!Exec("commit transaction", kAddContactFailed)) {
        Exec("rollback transaction");
        return false;
    }
    return true;
}

std::vector<CallLogRecord> LocalDatabase::ReadCallLog(SqlStatement& query) {
    std::vector<CallLogRecord> rows;
    while (query.Next()) {
        CallLogRecord& row = rows.emplace_back();
        row.id = query.Int(0);
        row.name = query.Text(1);
        row.phone = query.Text(2);
        row.head = query.Text(3);
        row.dateTime = query.Text(4);
        row.type = query.Int(5);
        const QString areacode = query.Text(6);
        const QString corp = query.Text(7);
        row.recordGuid = query.Text(8);
        row.hasNote = query.Int(9) != 0;
        row.attribution = areacode.isEmpty() || corp.isEmpty()
                              ? NumberAttribution::UnknownText()
                              : QString(corp + u'|' + areacode).remove(QStringLiteral("中国"));
        row.nameIsPhone = row.name.compare(row.phone, Qt::CaseInsensitive) == 0;
    }
    return rows;
}

std::vector<CallLogRecord> LocalDatabase::LoadCallLog() {
    std::lock_guard lock(mutex_);
    SqlStatement query(db_, std::string(kCallLogRows) + " order by id desc");
    return ReadCallLog(query);
}

std::optional<CallLogRecord> LocalDatabase::GetCallLogEntry(int id) {
    std::lock_guard lock(mutex_);
    SqlStatement query(db_, std::string(kCallLogRows) + " where id=?");
    query.Bind(1, id);
    std::vector<CallLogRecord> rows = ReadCallLog(query);
    if (rows.empty()) {
        return std::nullopt;
    }
    return std::move(rows.front());
}

void LocalDatabase::NameAndHead(const QString& number, QString& name, QString& head) {
    SqlStatement query(db_, "select name, head from table_contact where phone=?");
    query.Bind(1, number);
    if (query.Next()) {
        name = query.Text(0);
        head = query.Text(1);
    } else {
        name = number;
        head.clear();
    }
}

int LocalDatabase::AddCallLog(const QString& number, const QString& place, const QString& corp,
                              int type) {
    std::lock_guard lock(mutex_);
    QString name;
    QString head;
    NameAndHead(number, name, head);
    SqlStatement insert(db_, "insert into table_log(name, phone, head, date_time, type, "
                             "areacode, corp) values(?, ?, ?, ?, ?, ?, ?)");
    insert.Bind(1, name)
        .Bind(2, number)
        .Bind(3, head)
        .Bind(4, CurrentLocalTimeText())
        .Bind(5, QString::number(type))
        .Bind(6, place)
        .Bind(7, corp);
    return RunInsert(insert, kAddCallLogFailed);
}

bool LocalDatabase::DeleteEach(std::string_view sql, const std::vector<int>& ids,
                               const char* failureLine) {
    std::lock_guard lock(mutex_);
    RunForEachIdLocked(sql, ids, failureLine);
    return true;
}

void LocalDatabase::RunForEachIdLocked(std::string_view sql, const std::vector<int>& ids,
                                       const char* failureLine) {
    // One transaction for the whole selection: a commit per row made deleting a thousand
    // rows take seconds. A failed row is still reported and skipped on its own.
    const bool inTransaction = Exec("begin transaction");
    {
        SqlStatement remove(db_, sql);
        for (int id : ids) {
            remove.Bind(1, id);
            if (!remove.IsValid()) {
                ReportFailure(failureLine);
            } else {
                RunWrite(remove, failureLine);
            }
            remove.Reset();
        }
    }
    if (inTransaction && !Exec("commit transaction", failureLine)) {
        Exec("rollback transaction");
    }
}

bool LocalDatabase::DeleteCallLogs(const std::vector<int>& ids) {
    return DeleteEach("delete from table_log where id=?", ids, kDeleteCallLogFailed);
}

bool LocalDatabase::HasNoteForCall(int callLogId) {
    std::lock_guard lock(mutex_);
    SqlStatement query(db_, "select id from table_notepad where cid=?");
    query.Bind(1, QString::number(callLogId));
    return query.Next() && query.Int(0) > 0;
}

int LocalDatabase::NewestCallLogId() {
    std::lock_guard lock(mutex_);
    SqlStatement newest(db_, "select id from table_log order by id desc limit 1");
    return newest.Next() ? newest.Int(0) : 0;
}

LocalDatabase::RecordingLink LocalDatabase::LinkRecordingToCall(const QString& guid, int callId,
                                                                QString* error, int* linkedId) {
    std::lock_guard lock(mutex_);
    if (guid.isEmpty()) {
        return RecordingLink::NotLinked;
    }
    int id = 0;
    {
        SqlStatement entry(db_, callId > 0
                                    ? "select id,record_guid from table_log where id=?"
                                    : "select id,record_guid from table_log order by id desc");
        if (callId > 0) {
            entry.Bind(1, QString::number(callId));
        }
        if (!entry.Next() || !entry.Text(1).isEmpty()) {
            return RecordingLink::NotLinked;
        }
        id = entry.Int(0);
    }
    SqlStatement update(db_, "update table_log set record_guid=? where id=?");
    update.Bind(1, guid).Bind(2, QString::number(id));
    if (update.Run()) {
        if (linkedId != nullptr) {
            *linkedId = id;
        }
        return RecordingLink::Linked;
    }
    if (error != nullptr) {
        *error = QString::fromUtf8(sqlite3_errmsg(db_));
    }
    return RecordingLink::Failed;
}

std::vector<SmsRecord> LocalDatabase::LoadSmsList() {
    std::lock_guard lock(mutex_);
    SqlStatement query(db_, "select * from table_sms order by id desc");
    std::vector<SmsRecord> rows;
    while (query.Next()) {
        SmsRecord& row = rows.emplace_back();
        row.id = query.Int(0);
        row.name = query.Text(1);
        row.phone = query.Text(2);
        row.head = query.Text(3);
        row.dateTime = query.Text(4);
        row.content = query.Text(5);
        row.attribution = query.Text(6);
    }
    return rows;
}

bool LocalDatabase::AddSms(const QString& number, const QString& content,
                           const QString& attribution) {
    std::lock_guard lock(mutex_);
    QString name;
    QString head;
    NameAndHead(number, name, head);
    SqlStatement insert(db_, "insert into table_sms(name, phone, head, date_time, content, "
                             "attribution) values(?, ?, ?, ?, ?, ?)");
    insert.Bind(1, name)
        .Bind(2, number)
        .Bind(3, head)
        .Bind(4, CurrentLocalTimeText())
        .Bind(5, content)
        .Bind(6, attribution);
    return RunWrite(insert, kAddSmsFailed);
}

bool LocalDatabase::DeleteSms(const std::vector<int>& ids) {
    return DeleteEach("delete from table_sms where id=?", ids, kDeleteSmsFailed);
}

QStringList LocalDatabase::GetFirstSmsTo(const QString& number) {
    std::lock_guard lock(mutex_);
    SqlStatement query(db_, "select date_time, content from table_sms where phone=?");
    query.Bind(1, number);
    if (!query.Next()) {
        return {};
    }
    return {query.Text(0), query.Text(1)};
}

std::vector<TemplateRecord> LocalDatabase::ReadTemplates(std::string_view sql) {
    std::lock_guard lock(mutex_);
    SqlStatement query(db_, sql);
    std::vector<TemplateRecord> templates;
    while (query.Next()) {
        templates.push_back({query.Int(0), query.Text(1), query.Text(2)});
    }
    return templates;
}

std::vector<TemplateRecord> LocalDatabase::LoadTemplateList() {
    return ReadTemplates("select * from table_template order by id desc");
}

std::vector<TemplateRecord> LocalDatabase::GetAllTemplates() {
    return ReadTemplates("select * from table_template");
}

bool LocalDatabase::SaveTemplate(const TemplateRecord& record) {
    std::lock_guard lock(mutex_);
    if (record.id == -1) {
        SqlStatement insert(db_, "insert into table_template(title, content) values(?, ?)");
        insert.Bind(1, record.title).Bind(2, record.content);
        return insert.Run();
    }
    SqlStatement update(db_, "update table_template set title=?, content=? where id=?");
    update.Bind(1, record.title).Bind(2, record.content).Bind(3, QString::number(record.id));
    return update.Run();
}

bool LocalDatabase::DeleteTemplates(const std::vector<int>& ids) {
    return DeleteEach("delete from table_template where id=?", ids, kDeleteTemplateFailed);
}

std::vector<NoteRecord> LocalDatabase::ReadNotes(std::string_view sql, std::int64_t now) {
    std::lock_guard lock(mutex_);
    SqlStatement query(db_, sql);
    std::vector<NoteRecord> notes;
    while (query.Next()) {
        notes.emplace_back(ReadNote(query)).ScheduleReminder(now);
    }
    return notes;
}

std::vector<NoteRecord> LocalDatabase::LoadNoteList(std::int64_t now) {
    return ReadNotes("select * from table_notepad order by id desc", now);
}

std::vector<NoteRecord> LocalDatabase::LoadDueReminders(std::int64_t now) {
    std::vector<NoteRecord> notes =
        ReadNotes("select * from table_notepad where date_time<>'' order by id desc", now);
    std::erase_if(notes, [](const NoteRecord& note) { return note.timerId == 0; });
    return notes;
}

int LocalDatabase::AddNote(const QString& name, const QString& phone, const QString& head,
                           const QString& dateTime, const QString& content, int cid) {
    std::lock_guard lock(mutex_);
    SqlStatement insert(db_, "insert into table_notepad(name, phone, head, date_time, content, "
                             "cid) values(?, ?, ?, ?, ?, ?)");
    insert.Bind(1, name)
        .Bind(2, phone)
        .Bind(3, head)
        .Bind(4, dateTime)
        .Bind(5, content)
        .Bind(6, QString::number(cid));
    return RunInsert(insert, kAddNoteFailed);
}

bool LocalDatabase::UpdateNote(int id, const QString& name, const QString& phone,
                               const QString& head, const QString& dateTime,
                               const QString& content) {
    std::lock_guard lock(mutex_);
    SqlStatement update(db_, "update table_notepad set name=?, phone=?, head=?, date_time=?, "
                             "content=? where id=?");
    update.Bind(1, name)
        .Bind(2, phone)
        .Bind(3, head)
        .Bind(4, dateTime)
        .Bind(5, content)
        .Bind(6, id);
    return RunWrite(update, kUpdateNoteFailed);
}

bool LocalDatabase::DeleteNotes(const std::vector<int>& ids, std::vector<int>* calls) {
    std::lock_guard lock(mutex_);
    if (calls != nullptr) {
        SqlStatement cid(db_, "select cid from table_notepad where id=?");
        for (int id : ids) {
            cid.Bind(1, id);
            if (cid.Next() && cid.Int(0) > 0) {
                calls->push_back(cid.Int(0));
            }
            cid.Reset();
        }
        std::sort(calls->begin(), calls->end());
        calls->erase(std::unique(calls->begin(), calls->end()), calls->end());
    }
    RunForEachIdLocked("delete from table_notepad where id=?", ids, kDeleteNoteFailed);
    return true;
}

std::vector<OriginRecord> LocalDatabase::LoadOrigins() {
    std::lock_guard lock(mutex_);
    SqlStatement query(db_, "select id, origin, dial, sms, record, events from table_origin "
                            "order by origin");
    std::vector<OriginRecord> origins;
    while (query.Next()) {
        OriginRecord& record = origins.emplace_back(OriginRecord{query.Int(0), query.Text(1), {}});
        for (int use = 0; use < OriginRecord::kUses; ++use) {
            if (!query.IsNull(2 + use)) {
                record.answers[use] = query.Int(2 + use) != 0;
            }
        }
    }
    return origins;
}

namespace {

// The column of each OriginRecord::Use.
constexpr std::array<std::string_view, OriginRecord::kUses> kOriginUseColumns = {
    "dial", "sms", "record", "events"};

} // namespace

bool LocalDatabase::SaveOriginAnswer(const QString& origin, int use, bool allowed) {
    if (use < 0 || use >= OriginRecord::kUses) {
        return false;
    }
    const std::string column(kOriginUseColumns[use]);
    std::lock_guard lock(mutex_);
    SqlStatement save(db_, "insert into table_origin(origin, " + column + ") values(?, ?) " +
                               "on conflict(origin) do update set " + column + "=excluded." +
                               column);
    save.Bind(1, origin).Bind(2, allowed ? 1 : 0);
    return RunWrite(save, kSaveOriginFailed);
}

bool LocalDatabase::SetOriginAnswers(const std::vector<int>& ids, std::optional<int> use,
                                     bool allowed) {
    if (use && (*use < 0 || *use >= OriginRecord::kUses)) {
        return false;
    }
    const std::string value = allowed ? "1" : "0";
    std::string set;
    for (int each = 0; each < OriginRecord::kUses; ++each) {
        if (!use || *use == each) {
            set += (set.empty() ? "" : ", ") + std::string(kOriginUseColumns[each]) + "=" + value;
        }
    }
    std::lock_guard lock(mutex_);
    RunForEachIdLocked("update table_origin set " + set + " where id=?", ids, kSaveOriginFailed);
    return true;
}

bool LocalDatabase::DeleteOrigins(const std::vector<int>& ids) {
    return DeleteEach("delete from table_origin where id=?", ids, kDeleteOriginFailed);
}

std::optional<NoteRecord> LocalDatabase::FindNote(std::string_view sql, int key) {
    std::lock_guard lock(mutex_);
    SqlStatement query(db_, sql);
    query.Bind(1, QString::number(key));
    if (!query.Next()) {
        return std::nullopt;
    }
    return ReadNote(query);
}

std::optional<NoteRecord> LocalDatabase::GetNote(int id) {
    return FindNote("select * from table_notepad where id=?", id);
}

std::optional<NoteRecord> LocalDatabase::GetNoteForCall(int callLogId) {
    return FindNote("select * from table_notepad where cid=?", callLogId);
}

} // namespace tamberlink
