#include "StoreTestSupport.h"

#include "store/LocalDatabase.h"
#include "store/Schema.h"
#include "util/PinyinInitials.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QThread>

#include <map>
#include <regex>
#include <string>

namespace tamberlink {
namespace {

using test::RawDb;
using test::StoreLog;

std::string SeedScript() {
    QFile file(QStringLiteral(TAMBERLINK_SOURCE_DIR "/Data/seed.sql"));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return file.readAll().toStdString();
}

// What every start ran before versions were kept, in the order the first build ran it.
constexpr const char* kFirstStartStatements =
    "insert into table_setting(name, value1, value2) select 'proxy', '', '0' where not "
    "exists(select id from table_setting where name='proxy');"
    "ALTER TABLE 'table_contact' ADD 'attribution' varchar(64) default '未知号码';"
    "ALTER TABLE 'table_sms' ADD 'attribution' varchar(64) default '未知号码';"
    "ALTER TABLE 'table_contact' ADD 'nameindex' varchar(32) default '';"
    "insert into table_setting(name, value2) values('popoff', '1');"
    "insert into table_setting(name, value1, value2) values('auto', '0', '0');"
    "insert into table_setting(name, value1, value2) values('auto_admin', '0', '0');"
    "ALTER TABLE 'table_log' ADD 'record_guid' varchar(64) default '';"
    "create table table_template(id INTEGER PRIMARY KEY AUTOINCREMENT default 0, title text, "
    "content text);";

constexpr const char* kIndexes =
    "create index if not exists table_contact_phone on table_contact(phone);"
    "create index if not exists table_sms_phone on table_sms(phone);"
    "create index if not exists table_notepad_cid on table_notepad(cid);";

// The shapes of the user database this program has written, each version 0.
struct Shape {
    const char* name;
    // Built over an empty file: the seed's tables with or without their indexes, then the
    // statements of the builds that wrote the shape.
    bool indexes;
    std::string statements;
    bool wal;
};

std::vector<Shape> EarlierShapes() {
    const std::string originTable =
        "create table table_origin(id INTEGER PRIMARY KEY AUTOINCREMENT, origin text unique "
        "not null, allowed integer not null default 0);";
    const std::string originUses = "ALTER TABLE table_origin ADD dial integer;"
                                   "ALTER TABLE table_origin ADD sms integer;"
                                   "ALTER TABLE table_origin ADD record integer;"
                                   "ALTER TABLE table_origin ADD events integer;"
                                   "update table_origin set allowed=0;";
    return {
        {"seed", true, "", false},
        {"before WAL and the indexes", false, kFirstStartStatements, false},
        {"one answer per web origin", true, kFirstStartStatements + originTable, true},
        {"the last written without a version", true,
         kFirstStartStatements + originTable + originUses +
             "insert into table_setting(name, value1, value2) values('cloudServer', "
             "'https://cloud.example', '0');",
         true},
    };
}

std::string Columns(RawDb& raw, const std::string& table) {
    return raw.Rows("select coalesce(group_concat(name, ','), '') from pragma_table_info('" +
                    table + "')");
}

// One row in every table the shape has, each with text that must come through unchanged.
void FillEveryTable(RawDb& raw) {
    raw.Exec("update table_setting set value1='020' where name='areaCode'");
    raw.Exec("update table_setting set value2=1 where name='switchIP'");
    raw.Exec("update table_user set account='13800000000', password='pw', rememberpsd=1, "
             "name='老王', company='O''Brien & Co' where id=0");
    raw.Exec("insert into table_contact(name, phone, head, email, company, home, other, cid, "
             "datetime) values('张三', '13800000000', 'z.png', 'z@example.com', '公司', '家', "
             "'100%_', 'c-1', '2016-03-07')");
    raw.Exec("insert into table_log(name, phone, head, date_time, type, areacode, corp) "
             "values('张三', '13800000000', 'z.png', '2016/03/07 09:05:00', 3, '广东广州', "
             "'中国移动')");
    raw.Exec("insert into table_sms(name, phone, head, date_time, content) values('张三', "
             "'13800000000', 'z.png', '2016/03/07 09:06:00', 'hello ''quoted''')");
    raw.Exec("insert into table_notepad(name, phone, head, date_time, content, cid) "
             "values('张三', '13800000000', 'z.png', '1700000000', 'call back', 1)");
    if (!raw.Rows("select 1 from sqlite_master where name='table_template'").empty()) {
        raw.Exec("insert into table_template(title, content) values('t', 'template text')");
    }
    const std::string origin = Columns(raw, "table_origin");
    if (origin.find("dial") != std::string::npos) {
        raw.Exec("insert into table_origin(origin, sms) values('http://refused.example', 0)");
        raw.Exec("insert into table_origin(origin, dial, sms) values('http://allowed.example', "
                 "1, 0)");
    } else if (!origin.empty()) {
        raw.Exec("insert into table_origin(origin, allowed) values('http://refused.example', 0)");
        raw.Exec("insert into table_origin(origin, allowed) values('http://allowed.example', 1)");
    }
}

const char* const kTables[] = {"table_setting",       "table_user",
                               "table_contact",       "table_log",
                               "table_sms",           "table_notepad",
                               "table_template",      "table_origin",
                               "table_nuisance_rule", "table_nuisance_whitelist",
                               "table_nuisance_log"};

// The rows of a table that a snapshot holds: its columns then, up to its last id then.
struct TableRows {
    std::string columns;
    std::string lastId;
    std::string rows;
};

std::string ReadRows(RawDb& raw, const std::string& table, const TableRows& shape) {
    return raw.Rows("select " + shape.columns + " from " + table + " where id<=" + shape.lastId +
                    " order by id");
}

// Every row of every table but the web origins' (whose conversion is checked on its own).
std::map<std::string, TableRows> Snapshot(RawDb& raw) {
    std::map<std::string, TableRows> snapshot;
    for (const char* table : kTables) {
        TableRows& rows = snapshot[table];
        // The contacts' initials are written by the upgrade, and checked on their own.
        rows.columns = std::regex_replace(Columns(raw, table), std::regex(",nameindex"), "");
        if (rows.columns.empty() || std::string(table) == "table_origin") {
            snapshot.erase(table);
            continue;
        }
        rows.lastId = raw.Rows(std::string("select coalesce(max(id), 0) from ") + table);
        rows.rows = ReadRows(raw, table, rows);
        EXPECT_FALSE(rows.rows.empty()) << table;
    }
    return snapshot;
}

QByteArray FileBytes(const QString& path) {
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return file.readAll();
}

TEST(Schema, EveryEarlierShapeComesUpToTheCurrentVersionWithEveryRow) {
    std::map<std::string, std::string> currentColumns;
    for (const Shape& shape : EarlierShapes()) {
        SCOPED_TRACE(shape.name);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Tamberlink.db"));
        std::map<std::string, TableRows> before;
        {
            RawDb raw(path);
            std::string seed = SeedScript();
            if (!shape.indexes) {
                seed = std::regex_replace(seed, std::regex("create index[^;]*;"), "");
            }
            raw.Exec(seed);
            raw.Exec(shape.statements);
            if (shape.wal) {
                EXPECT_EQ(raw.Rows("PRAGMA journal_mode=WAL"), "wal");
            }
            FillEveryTable(raw);
            ASSERT_EQ(raw.Rows("PRAGMA user_version"), "0");
            before = Snapshot(raw);
        }

        {
            LocalDatabase db;
            ASSERT_TRUE(db.Open(path)) << db.OpenError().toStdString();
            ASSERT_TRUE(db.RunMigrations()) << db.OpenError().toStdString();
            // The tables read the migrated rows as they read their own.
            const std::vector<CallLogRecord> log = db.CallLog().Load();
            ASSERT_EQ(log.size(), 1u);
            EXPECT_EQ(log[0].attribution, QStringLiteral("移动|广东广州"));
            EXPECT_TRUE(log[0].hasNote);
            EXPECT_EQ(db.Contacts().Load().at(0).other, QStringLiteral("100%_"));
            EXPECT_EQ(db.Sms().Load().at(0).content, QStringLiteral("hello 'quoted'"));
            EXPECT_TRUE(db.Settings().ReadSwitch(QStringLiteral("switchIP")));
            EXPECT_TRUE(db.Settings().ReadSwitch(QStringLiteral("popoff")));
            EXPECT_EQ(db.Account().Read().password, QStringLiteral("pw"));
        }

        RawDb raw(path);
        EXPECT_EQ(raw.Rows("PRAGMA user_version"), std::to_string(kSchemaVersion));
        EXPECT_EQ(raw.Rows("PRAGMA journal_mode"), "wal");
        for (const auto& [table, rows] : before) {
            EXPECT_EQ(ReadRows(raw, table, rows), rows.rows) << table;
        }
        EXPECT_EQ(raw.Rows("select name from sqlite_master where type='index' and name like "
                           "'table_%' order by name"),
                  "table_call_attempt_number\ntable_contact_card_uid\ntable_contact_nameindex\n"
                  "table_contact_phone\ntable_event_time\ntable_log_phone_key\ntable_log_time\n"
                  "table_notepad_cid\ntable_notepad_phone_key\ntable_nuisance_log_rule\n"
                  "table_sms_phone\ntable_sms_phone_key\n"
                  "table_webhook_delivery_endpoint\ntable_webhook_delivery_state");
        // Calls logged before the rules existed matched none.
        EXPECT_EQ(raw.Rows("select nuisance from table_log"), "");
        // Every shape ends with the same tables and columns, in the readers' order.
        std::map<std::string, std::string> columns;
        for (const char* table : kTables) {
            columns[table] = Columns(raw, table);
        }
        EXPECT_EQ(columns["table_contact"], "id,name,phone,head,email,company,home,other,cid,"
                                            "datetime,attribution,nameindex");
        EXPECT_EQ(columns["table_log"],
                  "id,name,phone,head,date_time,type,areacode,corp,record_guid,nuisance,length");
        EXPECT_EQ(columns["table_nuisance_rule"], "id,kind,number,length,label,action,created");
        EXPECT_EQ(columns["table_nuisance_whitelist"], "id,number,note,created");
        EXPECT_EQ(columns["table_nuisance_log"],
                  "id,time,number,rule_id,rule_text,label,action,note");
        EXPECT_EQ(columns["table_sms"], "id,name,phone,head,date_time,content,attribution");
        EXPECT_EQ(columns["table_origin"], "id,origin,allowed,dial,sms,record,events");
        if (currentColumns.empty()) {
            currentColumns = columns;
        }
        EXPECT_EQ(columns, currentColumns);

        // Rows made before a column existed read its default; settings are there once each,
        // and the ones a shape had keep their values.
        EXPECT_EQ(raw.Rows("select attribution, nameindex from table_contact"), "未知号码|ZS");
        EXPECT_EQ(raw.Rows("select name, count(*) from table_setting where name in ('proxy', "
                           "'popoff', 'auto', 'auto_admin', 'cloudServer', 'nuisanceContacts') "
                           "group by name order by name"),
                  "auto|1\nauto_admin|1\ncloudServer|1\nnuisanceContacts|1\npopoff|1\nproxy|1");
        // Contacts ring whatever the nuisance rules say until the user says otherwise.
        EXPECT_EQ(raw.Rows("select value2 from table_setting where name='nuisanceContacts'"), "1");
        EXPECT_EQ(raw.Rows("select value1 from table_setting where name='cloudServer'"),
                  std::string(shape.name) == "the last written without a version"
                      ? "https://cloud.example"
                      : "");
        // An answer from before the uses: a refusal stands for every use, a permission for
        // none; answers by use are kept as they were.
        const std::string origins = raw.Rows("select origin, allowed, dial, sms, record, events "
                                             "from table_origin order by id");
        if (std::string(shape.name) == "one answer per web origin") {
            EXPECT_EQ(origins, "http://refused.example|0|0|0|0|0\n"
                               "http://allowed.example|0|<null>|<null>|<null>|<null>");
        } else if (std::string(shape.name) == "the last written without a version") {
            EXPECT_EQ(origins, "http://refused.example|0|<null>|0|<null>|<null>\n"
                               "http://allowed.example|0|1|0|<null>|<null>");
        } else {
            EXPECT_EQ(origins, "");
        }
    }
}

// A file the last build before the nuisance rules wrote: version 5, with rows everywhere.
TEST(Schema, AVersionFiveFileGainsTheNuisanceRulesAndKeepsItsRows) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Tamberlink.db"));
    std::map<std::string, TableRows> before;
    {
        RawDb raw(path);
        raw.Exec(SeedScript());
        raw.Exec(EarlierShapes().back().statements);
        FillEveryTable(raw);
        raw.Exec("PRAGMA user_version=5");
        before = Snapshot(raw);
    }
    {
        LocalDatabase db;
        ASSERT_TRUE(db.Open(path)) << db.OpenError().toStdString();
        ASSERT_TRUE(db.RunMigrations()) << db.OpenError().toStdString();
        NuisanceRule rule;
        rule.kind = NuisanceKind::Prefix;
        rule.number = QStringLiteral("400");
        rule.label = QStringLiteral("推销");
        const int id = db.NuisanceRules().Add(rule);
        ASSERT_GT(id, 0);
        EXPECT_EQ(db.NuisanceRules().Add(rule), 0); // one rule per kind and number
        EXPECT_GT(
            db.CallLog().Add(QStringLiteral("4001234567"), {}, {}, 3, QStringLiteral("推销 400*")),
            0);
        EXPECT_EQ(db.CallLog().Load().front().nuisanceLabel, QStringLiteral("推销 400*"));
        EXPECT_TRUE(db.CallLog().Load().back().nuisanceLabel.isEmpty());
        EXPECT_TRUE(db.Settings().ReadSwitch(QStringLiteral("nuisanceContacts")));
    }
    RawDb raw(path);
    EXPECT_EQ(raw.Rows("PRAGMA user_version"), std::to_string(kSchemaVersion));
    for (const auto& [table, rows] : before) {
        EXPECT_EQ(ReadRows(raw, table, rows), rows.rows) << table;
    }
}

TEST(Schema, AFailingStepLeavesTheFileAsItWasAndSaysWhy) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Tamberlink.db"));
    {
        RawDb raw(path);
        raw.Exec(SeedScript());
        FillEveryTable(raw);
        // Something by the name the web origins' table needs, which a later step meets after
        // the earlier ones have changed the file.
        raw.Exec("create view table_origin as select 1 as origin");
    }
    const QByteArray before = FileBytes(path);

    LocalDatabase db;
    ASSERT_TRUE(db.Open(path));
    StoreLog log;
    EXPECT_FALSE(db.RunMigrations());
    EXPECT_EQ(db.OpenRefusal(), LocalDatabase::Refusal::UpgradeFailed);
    EXPECT_NE(db.OpenError().indexOf(QStringLiteral("web origins")), -1)
        << db.OpenError().toStdString();
    EXPECT_NE(log.Take().find("schema upgrade failed"), std::string::npos);
    db.Close();

    EXPECT_EQ(FileBytes(path), before);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files),
              QStringList{QStringLiteral("Tamberlink.db")});
    // Nothing of the steps before the failing one is left.
    RawDb raw(path);
    EXPECT_EQ(raw.Rows("PRAGMA user_version"), "0");
    EXPECT_EQ(raw.Rows("select count(*) from pragma_table_info('table_contact')"), "10");
    EXPECT_EQ(raw.Rows("select count(*) from sqlite_master where name='table_template'"), "0");

    // Once the obstacle is gone, the same file comes up to date.
    raw.Exec("drop view table_origin");
    LocalDatabase again;
    ASSERT_TRUE(again.Open(path));
    EXPECT_TRUE(again.RunMigrations()) << again.OpenError().toStdString();
    EXPECT_EQ(again.OpenRefusal(), LocalDatabase::Refusal::None);
    EXPECT_EQ(again.Contacts().Load().at(0).attribution, QStringLiteral("未知号码"));
}

} // namespace
} // namespace tamberlink

namespace tamberlink {
namespace {

// An older database with 200,000 contacts and no initials stored, upgraded by a writer that is
// killed with SIGKILL while it upgrades: the file stays as it was; the next start upgrades it
// whole, every contact with the initials of its name, none lost. Names of 0, 1 and 200
// characters, emoji and letters with no pinyin reading are among them.
TEST(Schema, AnUpgradeKilledHalfWayRunsWholeOnTheNextStart) {
    constexpr int kContacts = 200000;
    test::SeedCopy seed;
    {
        RawDb raw(seed.path());
        raw.Exec("with recursive n(i) as (select 1 union all select i+1 from n where i < " +
                 std::to_string(kContacts - 5) +
                 ") insert into table_contact(name, phone, head, email, company, home, other, "
                 "cid, datetime) select case i % 3 when 0 then '张伟'||i when 1 then '王芳' "
                 "else 'Li Lei' end, '138'||i, '', '', '', '', '', '', '' from n");
        raw.Exec("insert into table_contact(name, phone) values('', '1'), ('A', '2'), "
                 "(printf('%.200c', '长'), '3'), ('😀朋友', '4'), ('Ωμέγα', '5')");
        ASSERT_EQ(raw.Rows("PRAGMA user_version"), "0");
    }
    const auto start = [&](QProcess& writer) {
        writer.setProgram(QStringLiteral(TAMBERLINK_BIN_DIR "/database_write_loop"));
        writer.setArguments({seed.path(), QStringLiteral("0")});
        writer.start();
        ASSERT_TRUE(writer.waitForStarted(30000));
    };
    {
        // The writer reports its first write only once the upgrade is done.
        QProcess writer;
        ASSERT_NO_FATAL_FAILURE(start(writer));
        QThread::msleep(150);
        ASSERT_EQ(writer.state(), QProcess::Running);
        ASSERT_FALSE(writer.canReadLine()) << "the upgrade ended before the kill";
        writer.kill();
        ASSERT_TRUE(writer.waitForFinished(30000));
        RawDb raw(seed.path());
        EXPECT_EQ(raw.Rows("PRAGMA user_version"), "0");
        EXPECT_EQ(raw.Rows("select count(*) from table_contact"), std::to_string(kContacts));
    }
    {
        QProcess writer;
        ASSERT_NO_FATAL_FAILURE(start(writer));
        while (!writer.canReadLine() && writer.state() == QProcess::Running) {
            writer.waitForReadyRead(30000);
        }
        ASSERT_TRUE(writer.canReadLine()) << writer.readAllStandardError().toStdString();
        writer.kill();
        ASSERT_TRUE(writer.waitForFinished(30000));
    }
    RawDb raw(seed.path());
    EXPECT_EQ(raw.Rows("PRAGMA integrity_check"), "ok");
    EXPECT_EQ(raw.Rows("PRAGMA user_version"), std::to_string(kSchemaVersion));
    EXPECT_EQ(raw.Rows("select count(*) from table_contact where phone not like 'k%'"),
              std::to_string(kContacts));
    LocalDatabase db;
    ASSERT_TRUE(db.Open(seed.path()));
    // The stored initials are those of each name.
    std::map<int, QString> initials;
    for (const ContactRecord& contact : db.Contacts().Load()) {
        initials[contact.id] = contact.initials;
    }
    int wrong = 0;
    for (const ContactKey& key : db.Contacts().LoadKeys()) {
        wrong += initials[key.id] == key.initials ? 0 : 1;
    }
    EXPECT_GE(initials.size(), size_t(kContacts));
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(raw.Rows("select nameindex from table_contact where phone='1'"), "");
    EXPECT_EQ(raw.Rows("select nameindex from table_contact where phone='2'"), "A");
    EXPECT_EQ(raw.Rows("select nameindex from table_contact where phone='4'"),
              GetInitials(QStringLiteral("😀朋友")).toStdString());
    EXPECT_EQ(raw.Rows("select length(nameindex) from table_contact where phone='3'"), "200");
}

} // namespace
} // namespace tamberlink
