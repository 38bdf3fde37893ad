// The database as the long lists read it: WAL mode and the single file left at close, the
// read-only reader thread, the call log's one statement with its note marks, and the indexes
// an older database gains.
#include "StoreTestSupport.h"

#include "store/BackgroundReader.h"
#include "store/LocalDatabase.h"
#include "store/WalCheckpointer.h"

#include <QDir>

#include <chrono>
#include <condition_variable>
#include <future>
#include <mutex>
#include <thread>

namespace tamberlink {
namespace {

using test::RawDb;
using test::SeedCopy;

QStringList FilesBeside(const QString& path) {
    return QFileInfo(path).dir().entryList(QDir::Files, QDir::Name);
}

TEST(Wal, CommitsWithoutWaitingAndCloseLeavesOneFile) {
    SeedCopy seed;
    LocalDatabase db;
    ASSERT_TRUE(db.Open(seed.path()));
    db.RunMigrations();
    const int id = db.CallLog().Add(QStringLiteral("13800000000"), {}, {}, 3);
    ASSERT_GT(id, 0);
    {
        RawDb raw(seed.path());
        EXPECT_EQ(raw.Rows("pragma journal_mode"), "wal");
        // A reader of its own sees the committed row while the writer holds the file.
        LocalDatabase reader;
        ASSERT_TRUE(reader.OpenForReading(seed.path()));
        ASSERT_TRUE(reader.CallLog().GetEntry(id).has_value());
        EXPECT_EQ(reader.CallLog().GetEntry(id)->phone, QStringLiteral("13800000000"));
        // It cannot write.
        test::StoreLog log;
        EXPECT_EQ(reader.CallLog().Add(QStringLiteral("1"), {}, {}, 3), 0);
        EXPECT_NE(log.Take().find("readonly"), std::string::npos);
        EXPECT_TRUE(FilesBeside(seed.path()).contains(QStringLiteral("Tamberlink.db-wal")));
    }
    db.Close();
    EXPECT_EQ(FilesBeside(seed.path()), QStringList{QStringLiteral("Tamberlink.db")});
    RawDb raw(seed.path());
    EXPECT_EQ(raw.Rows("select phone from table_log"), "13800000000");
    EXPECT_EQ(raw.Rows("pragma integrity_check"), "ok");
}

// The writer's checkpoints run on the checkpointer's thread: the log still folds back into
// the file as it grows, and closing leaves one file.
TEST(Wal, TheCheckpointerKeepsTheLogShortWhileWritesGoOn) {
    SeedCopy seed;
    LocalDatabase db;
    ASSERT_TRUE(db.Open(seed.path()));
    db.RunMigrations();
    WalCheckpointer checkpointer;
    ASSERT_TRUE(checkpointer.Start(db));
    // 36 MB in 600 commits, in bursts as calls and imports come: six times what the log
    // holds before a checkpoint is due.
    const QString place(20000, u'北');
    for (int i = 0; i < 600; ++i) {
        ASSERT_GT(db.CallLog().Add(QStringLiteral("138%1").arg(i), place, {}, 3), 0);
        if (i % 30 == 29) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }
    const qint64 wal = QFileInfo(seed.path() + QStringLiteral("-wal")).size();
    const qint64 page = std::stoll(RawDb(seed.path()).Rows("pragma page_size"));
    EXPECT_GT(wal, 0);
    EXPECT_LT(wal, 6 * LocalDatabase::kCheckpointPages * page);
    checkpointer.Stop();
    db.Close();
    EXPECT_EQ(FilesBeside(seed.path()), QStringList{QStringLiteral("Tamberlink.db")});
    RawDb raw(seed.path());
    EXPECT_EQ(raw.Rows("select count(*) from table_log"), "600");
    EXPECT_EQ(raw.Rows("pragma integrity_check"), "ok");
}

TEST(BackgroundReader, RunsJobsInOrderOffTheCallingThread) {
    SeedCopy seed;
    LocalDatabase db;
    ASSERT_TRUE(db.Open(seed.path()));
    db.RunMigrations();
    ASSERT_GT(db.CallLog().Add(QStringLiteral("1"), {}, {}, 3), 0);

    BackgroundReader reader;
    EXPECT_FALSE(reader.Post([](LocalDatabase&) {}));
    ASSERT_TRUE(reader.Start(seed.path()));
    std::mutex mutex;
    std::vector<int> order;
    std::vector<std::thread::id> threads;
    std::promise<void> release;
    std::promise<void> done;
    // While a job runs, a job posted for when the reader is idle waits behind the others
    // posted after it.
    ASSERT_TRUE(
        reader.Post([future = release.get_future().share()](LocalDatabase&) { future.wait(); }));
    ASSERT_TRUE(reader.PostIdle([&](LocalDatabase&) {
        std::lock_guard lock(mutex);
        order.push_back(-1);
        done.set_value();
    }));
    for (int i = 0; i < 5; ++i) {
        ASSERT_TRUE(reader.Post([&, i](LocalDatabase& connection) {
            std::lock_guard lock(mutex);
            order.push_back(i + 10 * int(connection.CallLog().Load().size()));
            threads.push_back(std::this_thread::get_id());
        }));
    }
    release.set_value();
    ASSERT_EQ(done.get_future().wait_for(std::chrono::seconds(30)), std::future_status::ready);
    std::lock_guard lock(mutex);
    EXPECT_EQ(order, (std::vector<int>{10, 11, 12, 13, 14, -1}));
    for (std::thread::id thread : threads) {
        EXPECT_NE(thread, std::this_thread::get_id());
    }
}

// Exit never waits for a long read: Stop cuts the running statement short and drops the
// jobs still queued.
TEST(BackgroundReader, StopCutsARunningReadShortAndDropsTheRest) {
    SeedCopy seed;
    {
        RawDb raw(seed.path());
        // A call log without end: the read never finishes on its own.
        raw.Exec("alter table table_log rename to old_log");
        raw.Exec(
            "create view table_log as with recursive n(i) as (select 1 union all select "
            "i+1 from n) select i as id, '' as name, '' as phone, '' as head, '' as "
            "date_time, 0 as type, '' as areacode, '' as corp, '' as record_guid, '' as nuisance "
            "from n "
            "where i < 0");
    }
    BackgroundReader reader;
    ASSERT_TRUE(reader.Start(seed.path()));
    std::promise<void> started;
    bool laterRan = false;
    ASSERT_TRUE(reader.Post([&](LocalDatabase& db) {
        started.set_value();
        db.CallLog().Load();
    }));
    ASSERT_TRUE(reader.Post([&](LocalDatabase&) { laterRan = true; }));
    ASSERT_EQ(started.get_future().wait_for(std::chrono::seconds(30)), std::future_status::ready);
    reader.Stop();
    EXPECT_FALSE(reader.IsRunning());
    EXPECT_FALSE(laterRan);
    EXPECT_FALSE(reader.Post([](LocalDatabase&) {}));

    // A read that only begins once Stop has been asked for ends early too.
    ASSERT_TRUE(reader.Start(seed.path()));
    std::promise<void> begun;
    ASSERT_TRUE(reader.Post([&](LocalDatabase& db) {
        begun.set_value();
        while (reader.IsRunning()) {
            std::this_thread::yield();
        }
        db.CallLog().Load();
    }));
    ASSERT_EQ(begun.get_future().wait_for(std::chrono::seconds(30)), std::future_status::ready);
    reader.Stop();
    EXPECT_FALSE(reader.IsRunning());
}

class CallLogRead : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(db_.Open(seed_.path()));
        db_.RunMigrations();
    }
    SeedCopy seed_;
    LocalDatabase db_;
};

TEST_F(CallLogRead, OneRowReadsAsItDoesInTheWholeLog) {
    const int known = db_.CallLog().Add(QStringLiteral("13800000000"), QStringLiteral("广东广州"),
                                        QStringLiteral("中国移动"), 3);
    const int unknown = db_.CallLog().Add(QStringLiteral("4008"), QStringLiteral("北京"), {}, 4);
    ASSERT_GT(unknown, known);
    ASSERT_GT(db_.Notes().Add({}, {}, {}, {}, QStringLiteral("n"), known), 0);
    ASSERT_EQ(db_.CallLog().LinkRecording(QStringLiteral("guid"), known),
              CallLogTable::RecordingLink::Linked);

    const std::vector<CallLogRecord> log = db_.CallLog().Load();
    ASSERT_EQ(log.size(), 2u);
    for (const CallLogRecord& row : log) {
        const std::optional<CallLogRecord> one = db_.CallLog().GetEntry(row.id);
        ASSERT_TRUE(one.has_value());
        EXPECT_EQ(one->name, row.name);
        EXPECT_EQ(one->phone, row.phone);
        EXPECT_EQ(one->attribution, row.attribution);
        EXPECT_EQ(one->dateTime, row.dateTime);
        EXPECT_EQ(one->type, row.type);
        EXPECT_EQ(one->hasNote, row.hasNote);
        EXPECT_EQ(one->recordGuid, row.recordGuid);
        EXPECT_EQ(one->nameIsPhone, row.nameIsPhone);
    }
    EXPECT_EQ(log[1].id, known);
    EXPECT_TRUE(log[1].hasNote);
    EXPECT_EQ(log[1].recordGuid, QStringLiteral("guid"));
    EXPECT_EQ(log[1].attribution, QStringLiteral("移动|广东广州"));
    EXPECT_FALSE(log[0].hasNote);
    EXPECT_FALSE(db_.CallLog().GetEntry(unknown + 1).has_value());
}

TEST_F(CallLogRead, DeletedNotesNameTheirCalls) {
    const int call = db_.CallLog().Add(QStringLiteral("1"), {}, {}, 3);
    const int first = db_.Notes().Add({}, {}, {}, {}, QStringLiteral("a"), call);
    const int second = db_.Notes().Add({}, {}, {}, {}, QStringLiteral("b"), call);
    const int loose = db_.Notes().Add({}, {}, {}, {}, QStringLiteral("c"), 0);
    ASSERT_TRUE(first > 0 && second > first && loose > second);
    std::vector<int> calls;
    ASSERT_TRUE(db_.Notes().Delete({first, loose}, &calls));
    EXPECT_EQ(calls, std::vector<int>{call});
    EXPECT_TRUE(db_.CallLog().GetEntry(call)->hasNote);
    calls.clear();
    ASSERT_TRUE(db_.Notes().Delete({second, 999999}, &calls));
    EXPECT_EQ(calls, std::vector<int>{call});
    EXPECT_FALSE(db_.CallLog().GetEntry(call)->hasNote);
}

// A database made by an older version: no indexes, no added columns, no templates table.
void MakeOlderDatabase(const QString& path) {
    RawDb raw(path);
    raw.Exec("create table table_setting(id INTEGER PRIMARY KEY AUTOINCREMENT, name text, "
             "value1 text, value2 integer)");
    for (const char* name : {"fenjiCode", "areaCode", "ipCode", "switchIP", "screenoff"}) {
        raw.Exec(std::string("insert into table_setting(name, value1, value2) values('") + name +
                 "', '', 0)");
    }
    raw.Exec("create table table_user(id INTEGER PRIMARY KEY, account text, password text, "
             "rememberpsd integer, name text, company text)");
    raw.Exec("insert into table_user values(0, 'old', 'pw', 1, '', '')");
    raw.Exec("create table table_contact(id INTEGER PRIMARY KEY AUTOINCREMENT, name text, "
             "phone text, head text, email text, company text, home text, other text, cid text, "
             "datetime text)");
    raw.Exec("create table table_log(id INTEGER PRIMARY KEY AUTOINCREMENT, name text, phone "
             "text, head text, date_time text, type integer, areacode text, corp text)");
    raw.Exec("create table table_sms(id INTEGER PRIMARY KEY AUTOINCREMENT, name text, phone "
             "text, head text, date_time text, content text)");
    raw.Exec("create table table_notepad(id INTEGER PRIMARY KEY AUTOINCREMENT, name text, "
             "phone text, head text, date_time text, content text, cid integer)");
    raw.Exec("with recursive n(i) as (select 1 union all select i+1 from n where i < 3000) "
             "insert into table_log(name, phone, head, date_time, type, areacode, corp) "
             "select 'p'||i, 'p'||i, '', '2016/03/07 09:05:00', 1 + i % 5, '北京', '中国移动' "
             "from n");
    raw.Exec("with recursive n(i) as (select 1 union all select i+1 from n where i < 2000) "
             "insert into table_contact(name, phone) select '张'||i, '138'||i from n");
    raw.Exec("insert into table_sms(name, phone, content) values('a', '1', 'hi')");
    raw.Exec("with recursive n(i) as (select 1 union all select i+1 from n where i < 300) "
             "insert into table_notepad(content, cid) select 'note', i * 10 from n");
}

TEST(Migrations, AnOlderDatabaseGainsItsIndexesWithoutLosingARow) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Tamberlink.db"));
    MakeOlderDatabase(path);
    RawDb raw(path);
    const std::string indexes =
        "select name from sqlite_master where type='index' and name like 'table_%' order by name";
    ASSERT_EQ(raw.Rows(indexes), "");
    const std::string rows =
        raw.Rows("select (select count(*) from table_log), (select count(*) from table_contact), "
                 "(select count(*) from table_sms), (select count(*) from table_notepad), "
                 "(select group_concat(phone) from (select phone from table_log order by id))");

    for (int start = 0; start < 2; ++start) {
        LocalDatabase db;
        ASSERT_TRUE(db.Open(path));
        db.RunMigrations();
        EXPECT_EQ(raw.Rows(indexes),
                  "table_call_attempt_number\ntable_contact_card_uid\ntable_contact_nameindex\n"
                  "table_contact_phone\ntable_event_time\ntable_log_phone_key\ntable_log_time\n"
                  "table_notepad_cid\ntable_notepad_phone_key\ntable_nuisance_log_rule\n"
                  "table_sms_phone\ntable_sms_phone_key\n"
                  "table_webhook_delivery_endpoint\ntable_webhook_delivery_state");
        EXPECT_EQ(
            raw.Rows("select (select count(*) from table_log), (select count(*) from "
                     "table_contact), (select count(*) from table_sms), (select count(*) from "
                     "table_notepad), (select group_concat(phone) from (select phone from "
                     "table_log order by id))"),
            rows);
        const std::vector<CallLogRecord> log = db.CallLog().Load();
        ASSERT_EQ(log.size(), 3000u);
        int marked = 0;
        for (const CallLogRecord& row : log) {
            marked += row.hasNote;
            EXPECT_EQ(row.hasNote, row.id % 10 == 0) << row.id;
        }
        EXPECT_EQ(marked, 300);
        EXPECT_EQ(db.Contacts().GetName(QStringLiteral("1381999")), QStringLiteral("张1999"));
        // Their characters and initials are indexed: 张1, 张10 to 张19, ... 张1000 to 张1999.
        EXPECT_EQ(db.Contacts().SearchKeys(QStringLiteral("张1")).size(), 1111u);
        EXPECT_EQ(db.Contacts().SearchKeys(QStringLiteral("z"), 10).size(), 10u);
        EXPECT_EQ(db.Contacts().SearchKeys(QStringLiteral("Z")).size(), 2000u);
    }
    EXPECT_EQ(raw.Rows("pragma integrity_check"), "ok");
    // The note marks come from the index, not from a scan of the notes per call.
    EXPECT_NE(raw.Rows("explain query plan select exists(select 1 from table_notepad where "
                       "table_notepad.cid=table_log.id and table_notepad.id>0) from table_log")
                  .find("table_notepad_cid"),
              std::string::npos);
}

} // namespace
} // namespace tamberlink
