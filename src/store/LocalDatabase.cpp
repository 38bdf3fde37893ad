#include "store/LocalDatabase.h"

#include "store/AttributionDatabase.h"
#include "store/SqlStatement.h"
#include "util/PhoneNumber.h"
#include "util/TextCodec.h"

#include <sqlite3.h>

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
constexpr const char* kUpdateProfileFailed = "更新个人信息：%s";
constexpr const char* kErrorOnly = "%s";

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
    // Another process (a second start, an inspecting tool) may hold the file for a moment.
    sqlite3_busy_timeout(db_, 3000);
    return true;
}

bool LocalDatabase::IsOpen() const {
    std::lock_guard lock(mutex_);
    return db_ != nullptr;
}

void LocalDatabase::Close() {
    std::lock_guard lock(mutex_);
    sqlite3_close(db_);
    db_ = nullptr;
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
    return RunWrite(update, kErrorOnly);
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
                               int* stored) {
    std::lock_guard lock(mutex_);
    int count = 0;
    // Empty parts (a trailing ';', ";;") are no numbers and are not stored.
    for (const QString& typed : record.phone.split(u';', Qt::SkipEmptyParts)) {
        const QString number = NormaliseContactNumber(typed);
        // Stored numbers are normalised, so the typed form and the stored form are both checked.
        if (number.isEmpty() || IsNumberStored(typed) || IsNumberStored(number)) {
            continue;
        }
        if (!InsertContact(record, number, attribution.GetAttribution(number))) {
            if (stored != nullptr) {
                *stored = count;
            }
            return false;
        }
        ++count;
    }
    if (stored != nullptr) {
        *stored = count;
    }
    return true;
}

bool LocalDatabase::UpdateContact(const ContactRecord& record) {
    std::lock_guard lock(mutex_);
    SqlStatement update(db_, "update table_contact set name=?, phone=?, head=?, email=?, "
                             "company=?, home=?, other=?, nameindex=? where id=?");
    update.Bind(1, record.name)
        .Bind(2, record.phone)
        .Bind(3, record.head)
        .Bind(4, record.email)
        .Bind(5, record.company)
        .Bind(6, record.home)
        .Bind(7, record.other)
        .Bind(8, record.initials)
        .Bind(9, QString::number(record.id));
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

bool LocalDatabase::InsertDownloadedContacts(const std::vector<ContactRecord>& records) {
    std::lock_guard lock(mutex_);
    if (!Exec("begin transaction", kAddContactFailed)) {
        return false;
    }
    for (const ContactRecord& record : records) {
        // A failed insert undoes the whole download, so a retry starts from a clean list.
        if (!InsertContact(record, record.phone, QStringLiteral(""))) {
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

std::vector<CallLogRecord> LocalDatabase::LoadCallLog() {
    std::lock_guard lock(mutex_);
    SqlStatement query(db_, "select * from table_log order by id desc");
    SqlStatement noteQuery(db_, "select id from table_notepad where cid=?");
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
        row.attribution = areacode.isEmpty() || corp.isEmpty()
                              ? NumberAttribution::UnknownText()
                              : QString(corp + u'|' + areacode).remove(QStringLiteral("中国"));
        row.nameIsPhone = row.name.compare(row.phone, Qt::CaseInsensitive) == 0;
        noteQuery.Bind(1, QString::number(row.id));
        row.hasNote = noteQuery.Next() && noteQuery.Int(0) > 0;
        noteQuery.Reset();
    }
    return rows;
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

bool LocalDatabase::AddCallLog(const QString& number, const QString& place, const QString& corp,
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
    return RunWrite(insert, kAddCallLogFailed);
}

bool LocalDatabase::DeleteEach(std::string_view sql, const std::vector<int>& ids,
                               const char* failureLine) {
    std::lock_guard lock(mutex_);
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
    return true;
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
                                                                QString* error) {
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

std::vector<NoteRecord> LocalDatabase::LoadNoteList(std::int64_t now) {
    std::lock_guard lock(mutex_);
    SqlStatement query(db_, "select * from table_notepad order by id desc");
    std::vector<NoteRecord> notes;
    while (query.Next()) {
        NoteRecord& note = notes.emplace_back(ReadNote(query));
        bool isNumber = false;
        const qint64 due = note.dateTime.toLongLong(&isNumber);
        if (!isNumber) {
            continue;
        }
        // The distance is judged as a signed 32-bit number of seconds.
        const std::int32_t ahead = static_cast<std::int32_t>(static_cast<std::uint32_t>(due - now));
        if (ahead >= 1) {
            note.timerId = kNoteTimerBase + note.id;
            note.timerDelayMs = std::int64_t(ahead) * 1000;
        }
    }
    return notes;
}

bool LocalDatabase::AddNote(const QString& name, const QString& phone, const QString& head,
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
    return RunWrite(insert, kAddNoteFailed);
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

bool LocalDatabase::DeleteNotes(const std::vector<int>& ids) {
    return DeleteEach("delete from table_notepad where id=?", ids, kDeleteNoteFailed);
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
