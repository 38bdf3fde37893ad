#include "store/Schema.h"

#include "store/SqlStatement.h"
#include "store/StoreLog.h"
#include "util/Mp3Duration.h"
#include "util/PhoneNumber.h"
#include "util/PinyinInitials.h"

#include <QDir>
#include <QFileInfo>

#include <sqlite3.h>

#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace tamberlink {

namespace {

// The statements of one step, each run at most once, within the upgrade's transaction. The
// first failure ends the step and keeps SQLite's reason.
class StepRunner {
public:
    explicit StepRunner(sqlite3* db)
        : db_(db) {}

    bool Exec(std::string_view sql) {
        SqlStatement statement(db_, sql);
        return Check(statement.Run());
    }

    bool HasTable(const QString& table) {
        SqlStatement query(db_, "select 1 from sqlite_master where type='table' and name=?");
        query.Bind(1, table);
        return query.Next();
    }

    bool HasColumn(const QString& table, const QString& column) {
        SqlStatement query(db_, "select 1 from pragma_table_info(?) where name=?");
        query.Bind(1, table).Bind(2, column);
        return query.Next();
    }

    // Runs `alter` unless the table has the column already.
    bool AddColumn(const QString& table, const QString& column, std::string_view alter) {
        return HasColumn(table, column) || Exec(alter);
    }

    // Runs `insert` unless a row of that name exists.
    bool AddSetting(const QString& name, std::string_view insert) {
        SqlStatement count(db_, "select count(id) from table_setting where name=?");
        count.Bind(1, name);
        if (!Check(count.Next())) {
            return false;
        }
        return count.Int(0) > 0 || Exec(insert);
    }

    bool AddProxySetting() {
        SqlStatement insert(db_, "insert into table_setting(name, value1, value2) select ?, '', "
                                 "'0' where not exists(select id from table_setting where "
                                 "name=?) ");
        insert.Bind(1, QStringLiteral("proxy")).Bind(2, QStringLiteral("proxy"));
        return Check(insert.Run());
    }

    // Writes the initials of every contact's name where the stored ones differ, telling how
    // far it has come every `notice` rows.
    bool FillContactInitials(int notice) {
        SqlStatement count(db_, "select count(*) from table_contact");
        if (!Check(count.Next())) {
            return false;
        }
        const int total = count.Int(0);
        SqlStatement rows(db_, "select id, name, nameindex from table_contact order by id");
        SqlStatement update(db_, "update table_contact set nameindex=? where id=?");
        int done = 0;
        while (rows.Next()) {
            const QString initials = GetInitials(rows.Text(1));
            if (initials != rows.Text(2)) {
                update.Bind(1, initials).Bind(2, rows.Int(0));
                if (!Check(update.Run())) {
                    return false;
                }
                update.Reset();
            }
            if (++done % notice == 0) {
                qCInfo(lcStore) << "schema: initials of" << done << "of" << total << "contacts";
            }
        }
        return true;
    }

    // Writes each recorded call's length, read from its recording, where none is known. The
    // recordings lie in "Rec" beside the database's folder; a missing or unreadable one
    // leaves the length unknown.
    bool FillLengthsFromRecordings() {
        const char* file = sqlite3_db_filename(db_, "main");
        if (file == nullptr || *file == 0) {
            return true;
        }
        const QDir recordings(
            QFileInfo(QString::fromUtf8(file)).dir().filePath(QStringLiteral("../Rec")));
        SqlStatement rows(db_, "select id, record_guid from table_log where record_guid<>'' "
                               "and length is null");
        SqlStatement update(db_, "update table_log set length=? where id=?");
        while (rows.Next()) {
            const std::optional<int> seconds =
                Mp3DurationSeconds(recordings.filePath(rows.Text(1) + QStringLiteral(".mp3")));
            if (!seconds) {
                continue;
            }
            update.Bind(1, *seconds).Bind(2, rows.Int(0));
            if (!Check(update.Run())) {
                return false;
            }
            update.Reset();
        }
        return true;
    }

    const QString& Error() const { return error_; }

private:
    bool Check(bool ok) {
        if (!ok && error_.isEmpty()) {
            error_ = QString::fromUtf8(sqlite3_errmsg(db_));
        }
        return ok;
    }

    sqlite3* db_;
    QString error_;
};

// Version 1: what every start made sure of before versions were kept: the settings rows the
// program only updates, the attribution and initials columns, the recording column of the
// call log and the template table. The added columns land at the positions the readers
// expect because the seed's tables hold only their first columns.
bool FirstStartColumns(StepRunner& step) {
    return step.AddProxySetting() &&
           step.AddColumn(
               QStringLiteral("table_contact"), QStringLiteral("attribution"),
               "ALTER TABLE 'table_contact' ADD 'attribution' varchar(64) default '未知号码'") &&
           step.AddColumn(
               QStringLiteral("table_sms"), QStringLiteral("attribution"),
               "ALTER TABLE 'table_sms' ADD 'attribution' varchar(64) default '未知号码'") &&
           step.AddColumn(QStringLiteral("table_contact"), QStringLiteral("nameindex"),
                          "ALTER TABLE 'table_contact' ADD 'nameindex' varchar(32) default ''") &&
           step.AddSetting(QStringLiteral("popoff"),
                           "insert into table_setting(name, value2) values('popoff', '1')") &&
           step.AddSetting(
               QStringLiteral("auto"),
               "insert into table_setting(name, value1, value2) values('auto', '0', '0')") &&
           step.AddSetting(
               QStringLiteral("auto_admin"),
               "insert into table_setting(name, value1, value2) values('auto_admin', '0', '0')") &&
           step.AddColumn(QStringLiteral("table_log"), QStringLiteral("record_guid"),
                          "ALTER TABLE 'table_log' ADD 'record_guid' varchar(64) default ''") &&
           (step.HasTable(QStringLiteral("table_template")) ||
            step.Exec("create table table_template(id INTEGER PRIMARY KEY AUTOINCREMENT default "
                      "0, title text, content text)"));
}

// Version 2: the lookups by number and the call log's note marks read these indexes; files
// made before the seed had them lack them.
bool NumberIndexes(StepRunner& step) {
    return step.Exec("create index if not exists table_contact_phone on table_contact(phone)") &&
           step.Exec("create index if not exists table_sms_phone on table_sms(phone)") &&
           step.Exec("create index if not exists table_notepad_cid on table_notepad(cid)");
}

// Version 3: the web pages' answers, first one per origin.
bool OriginAnswers(StepRunner& step) {
    return step.HasTable(QStringLiteral("table_origin")) ||
           step.Exec("create table table_origin(id INTEGER PRIMARY KEY AUTOINCREMENT, "
                     "origin text unique not null, allowed integer not null default 0)");
}

// Version 4: an answer for each use. An answer from before named no use, so a refusal stands
// for every use and a permission for none; "allowed" stays 0 from then on, which a build of
// version 3 reads as refused. A table that has the columns already was converted then.
bool OriginUses(StepRunner& step) {
    const QString table = QStringLiteral("table_origin");
    const bool converted = step.HasColumn(table, QStringLiteral("dial"));
    return step.AddColumn(table, QStringLiteral("dial"),
                          "ALTER TABLE table_origin ADD dial integer") &&
           step.AddColumn(table, QStringLiteral("sms"),
                          "ALTER TABLE table_origin ADD sms integer") &&
           step.AddColumn(table, QStringLiteral("record"),
                          "ALTER TABLE table_origin ADD record integer") &&
           step.AddColumn(table, QStringLiteral("events"),
                          "ALTER TABLE table_origin ADD events integer") &&
           (converted || (step.Exec("update table_origin set dial=0, sms=0, record=0, events=0 "
                                    "where allowed=0") &&
                          step.Exec("update table_origin set allowed=0")));
}

// Version 5: the cloud service's address the user chose; empty for the program's own.
bool CloudServerSetting(StepRunner& step) {
    return step.AddSetting(
        QStringLiteral("cloudServer"),
        "insert into table_setting(name, value1, value2) values('cloudServer', '', '0')");
}

// Version 6: the nuisance-call rules, the numbers they never stop, the calls they stopped,
// the rule label a call-log row was shown with, and whether contacts ring whatever the rules
// say (they do unless the user says otherwise).
bool NuisanceRules(StepRunner& step) {
    return step.Exec("create table if not exists table_nuisance_rule(id INTEGER PRIMARY KEY "
                     "AUTOINCREMENT, kind integer not null, number text not null, length "
                     "integer not null default 0, label text not null default '', action "
                     "integer not null default 0, created integer not null default 0, "
                     "unique(kind, number, length))") &&
           step.Exec("create table if not exists table_nuisance_whitelist(id INTEGER PRIMARY "
                     "KEY AUTOINCREMENT, number text unique not null, note text not null "
                     "default '', created integer not null default 0)") &&
           step.Exec("create table if not exists table_nuisance_log(id INTEGER PRIMARY KEY "
                     "AUTOINCREMENT, time integer not null, number text not null default '', "
                     "rule_id integer not null default 0, rule_text text not null default '', "
                     "label text not null default '', action integer not null default 0, note "
                     "text not null default '')") &&
           step.Exec("create index if not exists table_nuisance_log_rule on "
                     "table_nuisance_log(rule_id, time)") &&
           step.AddColumn(QStringLiteral("table_log"), QStringLiteral("nuisance"),
                          "ALTER TABLE 'table_log' ADD 'nuisance' varchar(64) default ''") &&
           step.AddSetting(QStringLiteral("nuisanceContacts"),
                           "insert into table_setting(name, value1, value2) "
                           "values('nuisanceContacts', '', '1')");
}

// Version 7: the journal of the call events, the webhooks and their deliveries. The events'
// ids go on from the highest ever used (AUTOINCREMENT keeps it) however many are pruned.
bool EventJournal(StepRunner& step) {
    return step.Exec("create table if not exists table_event(id INTEGER PRIMARY KEY "
                     "AUTOINCREMENT, time integer not null, type text not null, data text not "
                     "null)") &&
           step.Exec("create index if not exists table_event_time on table_event(time)") &&
           step.Exec("create table if not exists table_webhook_endpoint(id INTEGER PRIMARY KEY "
                     "AUTOINCREMENT, url text not null, secret text not null, types text not "
                     "null default '', paused integer not null default 0, failing_since "
                     "integer not null default 0, created integer not null default 0)") &&
           step.Exec("create table if not exists table_webhook_delivery(id INTEGER PRIMARY KEY "
                     "AUTOINCREMENT, endpoint_id integer not null, event_id integer not null, "
                     "event_type text not null default '', message_id text not null, body text "
                     "not null, state integer not null default 0, attempts integer not null "
                     "default 0, next_at integer not null default 0, status integer not null "
                     "default 0, reply text not null default '', created integer not null "
                     "default 0, updated integer not null default 0)") &&
           step.Exec("create index if not exists table_webhook_delivery_endpoint on "
                     "table_webhook_delivery(endpoint_id, id)") &&
           step.Exec("create index if not exists table_webhook_delivery_state on "
                     "table_webhook_delivery(state, updated)");
}

// Version 8: the card each contact came on from a contact file (its uid, shared by the
// contacts of one card, and its property lines), gone with the contact.
bool ContactCards(StepRunner& step) {
    return step.Exec("create table if not exists table_contact_card(contact_id INTEGER PRIMARY "
                     "KEY, uid text not null default '', lines text not null default '')") &&
           step.Exec("create index if not exists table_contact_card_uid on "
                     "table_contact_card(uid)") &&
           step.Exec("create trigger if not exists table_contact_card_gone after delete on "
                     "table_contact begin delete from table_contact_card where "
                     "contact_id=old.id; end");
}

// Version 9: the initials of every contact's name as the contact list groups and searches by
// them; rows written by older versions may lack them.
bool ContactInitials(StepRunner& step) {
    return step.FillContactInitials(50000);
}

// Version 10: the contact list reads its order from an index on the initials.
bool ContactInitialsIndex(StepRunner& step) {
    return step.Exec("create index if not exists table_contact_nameindex on "
                     "table_contact(nameindex, id)");
}

// Version 11: names, numbers and initials searched for any part of them through a trigram
// index that triggers keep in step with the contacts.
bool ContactSearchIndex(StepRunner& step) {
    return step.Exec("create virtual table if not exists table_contact_search using "
                     "fts5(name, phone, nameindex, content='table_contact', content_rowid='id', "
                     "tokenize='trigram')") &&
           step.Exec("create trigger if not exists table_contact_search_add after insert on "
                     "table_contact begin insert into table_contact_search(rowid, name, phone, "
                     "nameindex) values(new.id, new.name, new.phone, new.nameindex); end") &&
           step.Exec("create trigger if not exists table_contact_search_gone after delete on "
                     "table_contact begin insert into table_contact_search(table_contact_search, "
                     "rowid, name, phone, nameindex) values('delete', old.id, old.name, "
                     "old.phone, old.nameindex); end") &&
           step.Exec("create trigger if not exists table_contact_search_change after update of "
                     "name, phone, nameindex on table_contact begin insert into "
                     "table_contact_search(table_contact_search, rowid, name, phone, nameindex) "
                     "values('delete', old.id, old.name, old.phone, old.nameindex); insert into "
                     "table_contact_search(rowid, name, phone, nameindex) values(new.id, "
                     "new.name, new.phone, new.nameindex); end") &&
           step.Exec("insert into table_contact_search(table_contact_search) values('rebuild')");
}

// The call log's figures for each hour of each day ("yyyy/MM/dd" and 0 to 23, as the call's
// own local time writes them), kept by triggers as rows come, change and go, so that the
// figures of a year read a few thousand rows instead of every call. A call counts in the hour
// it began.
constexpr std::string_view kHourFigures =
    "incoming=incoming+%1*(%0.type in (1,3)), outgoing=outgoing+%1*(%0.type in (2,4)), "
    "missed=missed+%1*(%0.type=5), talk_in=talk_in+%1*(case when %0.type in (1,3) then "
    "ifnull(%0.length,0) else 0 end), talk_out=talk_out+%1*(case when %0.type in (2,4) then "
    "ifnull(%0.length,0) else 0 end), timed=timed+%1*(ifnull(%0.length,0)>0) where "
    "day=substr(%0.date_time,1,10) and hour=ifnull(cast(substr(%0.date_time,12,2) as "
    "integer),0)";

std::string HourUpdate(const char* row, const char* sign) {
    std::string update = "update table_log_hour set " + std::string(kHourFigures);
    for (const auto& [mark, text] : {std::pair{"%0", row}, std::pair{"%1", sign}}) {
        for (std::size_t at = update.find(mark); at != std::string::npos;
             at = update.find(mark, at)) {
            update.replace(at, 2, text);
        }
    }
    return update + ";";
}

std::string HourRow(const char* row) {
    return std::string("insert or ignore into table_log_hour(day, hour) values(substr(") + row +
           ".date_time,1,10), ifnull(cast(substr(" + row + ".date_time,12,2) as integer),0));";
}

// Version 12: each call's length in seconds (NULL while unknown), taken from its recording for
// the calls of before; the log in the order of its time; and its figures by hour of day.
bool CallLengths(StepRunner& step) {
    const std::string added = "create trigger if not exists table_log_hour_added after insert "
                              "on table_log begin " +
                              HourRow("new") + HourUpdate("new", "1") + " end";
    const std::string removed = "create trigger if not exists table_log_hour_removed after "
                                "delete on table_log begin " +
                                HourUpdate("old", "-1") + " end";
    const std::string changed = "create trigger if not exists table_log_hour_changed after "
                                "update of date_time, type, length on table_log begin " +
                                HourUpdate("old", "-1") + HourRow("new") + HourUpdate("new", "1") +
                                " end";
    return step.AddColumn(QStringLiteral("table_log"), QStringLiteral("length"),
                          "ALTER TABLE table_log ADD length integer") &&
           step.FillLengthsFromRecordings() &&
           step.Exec("create index if not exists table_log_time on table_log(date_time)") &&
           step.Exec("create table if not exists table_log_hour(day text not null, hour "
                     "integer not null, incoming integer not null default 0, outgoing integer "
                     "not null default 0, missed integer not null default 0, talk_in integer "
                     "not null default 0, talk_out integer not null default 0, timed integer "
                     "not null default 0, primary key(day, hour)) without rowid") &&
           step.Exec("delete from table_log_hour") &&
           step.Exec("insert into table_log_hour select substr(date_time,1,10) as d, "
                     "ifnull(cast(substr(date_time,12,2) as integer),0) as h, "
                     "sum(type in (1,3)), sum(type in (2,4)), sum(type=5), sum(case when type "
                     "in (1,3) then ifnull(length,0) else 0 end), sum(case when type in (2,4) "
                     "then ifnull(length,0) else 0 end), sum(ifnull(length,0)>0) from table_log "
                     "where date_time is not null group by d, h") &&
           step.Exec(added) && step.Exec(removed) && step.Exec(changed);
}

// Version 13: the numbers the user marked "已处理" among the missed calls to follow up, and
// the lookups of a number's calls, SMS and notes by the number's comparable form.
bool FollowUpAndNumberIndexes(StepRunner& step) {
    const std::string key = PhoneNumber::kComparableSql;
    return step.Exec("create table if not exists table_followup_done(phone_key text PRIMARY KEY, "
                     "until_id integer not null)") &&
           step.Exec("create index if not exists table_log_phone_key on table_log(" + key + ")") &&
           step.Exec("create index if not exists table_sms_phone_key on table_sms(" + key + ")") &&
           step.Exec("create index if not exists table_notepad_phone_key on table_notepad(" + key +
                     ")");
}

// Version 14: the numbers no dial may reach, every outcome given in a dialling campaign, and
// the campaign going on, kept whole so that it survives the program.
bool DoNotCallAndAttempts(StepRunner& step) {
    return step.Exec("create table if not exists table_do_not_call(number text PRIMARY KEY, "
                     "source text not null default '', created integer not null default 0)") &&
           step.Exec("create table if not exists table_call_attempt(id INTEGER PRIMARY KEY "
                     "AUTOINCREMENT, time integer not null, number text not null, outcome "
                     "integer not null, remark text not null default '', file text not null "
                     "default '', row integer not null default 0)") &&
           step.Exec("create index if not exists table_call_attempt_number on "
                     "table_call_attempt(number, id)") &&
           step.Exec("create table if not exists table_dial_campaign(id INTEGER PRIMARY KEY, "
                     "state text not null)");
}

// Version 15: the CardDAV account and what the last sync knew of each card.
bool AddressBookSync(StepRunner& step) {
    return step.Exec("create table if not exists table_carddav_account(id INTEGER PRIMARY KEY, "
                     "server text not null default '', user text not null default '', book "
                     "text not null default '', token text not null default '', last_sync "
                     "integer not null default 0, last_result text not null default '')") &&
           step.Exec("create table if not exists table_carddav_card(uid text PRIMARY KEY, href "
                     "text not null, etag text not null default '', copy text not null default "
                     "'')");
}

// The lower-case characters and pairs of characters (as LIKE compares them) of `columns`,
// each row of `from` giving `v`, the text of one column. Those of digits alone, found in most
// numbers, are left out: such keywords read the rows.
std::string Grams(const std::string& columns, const std::string& from) {
    return "select " + columns + " from (select lower(substr(v, n, w)) as g, * from (" + from +
           "), (select 1 as w union all select 2), table_position where n <= length(v) - w + "
           "1) where trim(g, '0123456789') <> ''";
}

// The rows of the name, number and initials of the contact `row`.
std::string ContactColumns(const std::string& row) {
    return "select " + row + ".name as v union all select " + row + ".phone union all select " +
           row + ".nameindex";
}

// Version 16: each contact's characters and pairs of characters with its initials and id, in
// the list's order under each, so that a keyword too short for the trigram index finds the
// first screen of its contacts at once. Characters past the 4,096th of a column are not
// indexed.
bool ContactGramIndex(StepRunner& step) {
    const std::string add = "insert or ignore into table_contact_gram(gram, nameindex, id) " +
                            Grams("g, ifnull(new.nameindex, ''), new.id", ContactColumns("new")) +
                            ";";
    const std::string remove =
        "delete from table_contact_gram where id=old.id and nameindex=ifnull(old.nameindex, '') "
        "and gram in (" +
        Grams("g", ContactColumns("old")) + ");";
    const std::string all = "select id, ifnull(nameindex, '') as i, name as v from table_contact "
                            "union all select id, ifnull(nameindex, ''), phone from "
                            "table_contact union all select id, ifnull(nameindex, ''), nameindex "
                            "from table_contact";
    return step.Exec("create table if not exists table_position(n INTEGER PRIMARY KEY)") &&
           step.Exec("insert or ignore into table_position(n) with recursive c(n) as (select 1 "
                     "union all select n + 1 from c where n < 4096) select n from c") &&
           step.Exec("create table if not exists table_contact_gram(gram text not null, "
                     "nameindex text not null, id integer not null, primary key(gram, "
                     "nameindex, id)) without rowid") &&
           step.Exec("create trigger if not exists table_contact_gram_add after insert on "
                     "table_contact begin " +
                     add + " end") &&
           step.Exec("create trigger if not exists table_contact_gram_gone after delete on "
                     "table_contact begin " +
                     remove + " end") &&
           step.Exec("create trigger if not exists table_contact_gram_change after update of "
                     "name, phone, nameindex on table_contact begin " +
                     remove + " " + add + " end") &&
           // Written in the index's order, which is quicker than row by row at a million.
           step.Exec("insert or ignore into table_contact_gram(gram, nameindex, id) " +
                     Grams("g, i, id", all) + " order by g, i, id");
}

struct Step {
    const char* what;
    bool (*run)(StepRunner&);
};

// Step i takes a database of version i to version i + 1.
constexpr Step kSteps[] = {
    {"first-start columns and rows", FirstStartColumns},
    {"number indexes", NumberIndexes},
    {"web origins", OriginAnswers},
    {"web origins by use", OriginUses},
    {"cloud server setting", CloudServerSetting},
    {"nuisance rules", NuisanceRules},
    {"event journal and webhooks", EventJournal},
    {"contact cards", ContactCards},
    {"contact initials", ContactInitials},
    {"contact initials index", ContactInitialsIndex},
    {"contact search index", ContactSearchIndex},
    {"call lengths and figures by hour", CallLengths},
    {"follow-up marks and number indexes", FollowUpAndNumberIndexes},
    {"do-not-call list and call attempts", DoNotCallAndAttempts},
    {"address book sync", AddressBookSync},
    {"contact character index", ContactGramIndex},
};
static_assert(std::size(kSteps) == kSchemaVersion, "one step for each version");

bool Exec(sqlite3* db, const char* sql) {
    return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

} // namespace

int ReadSchemaVersion(sqlite3* db) {
    SqlStatement query(db, "PRAGMA user_version");
    return query.Next() ? query.Int(0) : -1;
}

bool UpgradeSchema(sqlite3* db, QString& error) {
    const int from = ReadSchemaVersion(db);
    if (from < 0 || from > kSchemaVersion) {
        error = QStringLiteral("schema version %1 is not one this program knows").arg(from);
        return false;
    }
    if (from == kSchemaVersion) {
        return true;
    }
    // Taken for writing at once, so that no other writer slips in between the steps.
    if (!Exec(db, "begin immediate transaction")) {
        error = QString::fromUtf8(sqlite3_errmsg(db));
        return false;
    }
    StepRunner runner(db);
    for (int version = from; version < kSchemaVersion; ++version) {
        const Step& step = kSteps[version];
        qCInfo(lcStore) << "schema: version" << version << "to" << version + 1 << step.what;
        if (!step.run(runner)) {
            error = QStringLiteral("schema step %1 (%2): %3")
                        .arg(version + 1)
                        .arg(QString::fromUtf8(step.what), runner.Error());
            Exec(db, "rollback transaction");
            return false;
        }
    }
    const std::string setVersion = "PRAGMA user_version=" + std::to_string(kSchemaVersion);
    if (!Exec(db, setVersion.c_str()) || !Exec(db, "commit transaction")) {
        error = QString::fromUtf8(sqlite3_errmsg(db));
        Exec(db, "rollback transaction");
        return false;
    }
    return true;
}

} // namespace tamberlink
