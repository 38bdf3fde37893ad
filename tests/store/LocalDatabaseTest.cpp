#include "StoreTestSupport.h"

#include "store/AttributionDatabase.h"
#include "store/LocalDatabase.h"
#include "util/PinyinInitials.h"

#include <QDir>

#include <atomic>
#include <ctime>
#include <regex>
#include <set>
#include <thread>

namespace tamberlink {
namespace {

using test::BuiltDataFile;
using test::RawDb;
using test::SeedCopy;

const std::string kSchemaAndData =
    "select name, sql from sqlite_master where type='table' order by name";

std::string Dump(RawDb& raw) {
    std::string all = raw.Rows(kSchemaAndData);
    for (const char* table : {"table_setting", "table_user", "table_contact", "table_log",
                              "table_sms", "table_notepad", "table_template"}) {
        all += "\n--" + std::string(table) + "\n" +
               raw.Rows("select * from " + std::string(table) + " order by id");
    }
    return all;
}

// A migrated copy of the seed, opened.
class MigratedDatabase : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(db_.Open(seed_.path())) << db_.OpenError().toStdString();
        db_.RunMigrations();
        ASSERT_TRUE(attribution_.Open(BuiltDataFile("MoblieAreacode.db")));
    }

    SeedCopy seed_;
    LocalDatabase db_;
    AttributionDatabase attribution_;
};

TEST(Migrations, FirstStartAddsColumnsTableAndDefaultRowsAndSecondStartChangesNothing) {
    SeedCopy seed;
    RawDb raw(seed.path());
    EXPECT_EQ(raw.Rows("select count(*) from pragma_table_info('table_contact')"), "10");
    {
        LocalDatabase db;
        ASSERT_TRUE(db.Open(seed.path()));
        db.RunMigrations();
    }
    EXPECT_EQ(raw.Rows("select name from pragma_table_info('table_contact') where cid>=10"),
              "attribution\nnameindex");
    EXPECT_EQ(raw.Rows("select name from pragma_table_info('table_sms') where cid>=6"),
              "attribution");
    EXPECT_EQ(raw.Rows("select name from pragma_table_info('table_log') where cid>=8"),
              "record_guid\nnuisance\nlength");
    EXPECT_EQ(raw.Rows("select name from pragma_table_info('table_template')"),
              "id\ntitle\ncontent");
    EXPECT_EQ(raw.Rows("select name, value1, value2 from table_setting where name in "
                       "('proxy','popoff','auto','auto_admin') order by id"),
              "proxy||0\npopoff|<null>|1\nauto|0|0\nauto_admin|0|0");

    const std::string afterFirst = Dump(raw);
    {
        LocalDatabase db;
        ASSERT_TRUE(db.Open(seed.path()));
        db.RunMigrations();
    }
    EXPECT_EQ(Dump(raw), afterFirst);
}

TEST(Migrations, KeepExistingSettingsAndGiveOldRowsTheColumnDefaults) {
    SeedCopy seed;
    {
        RawDb raw(seed.path());
        raw.Exec("insert into table_setting(name, value1, value2) values('popoff', '', 0)");
        raw.Exec("insert into table_setting(name, value1, value2) values('proxy', 'h:8080', 1)");
        raw.Exec("insert into table_contact(name, phone) values('老王', '13800000000')");
        raw.Exec("insert into table_sms(name, phone, content) values('a', '1', 'hi')");
        raw.Exec("insert into table_log(name, phone, type) values('b', '2', 3)");
    }
    LocalDatabase db;
    ASSERT_TRUE(db.Open(seed.path()));
    db.RunMigrations();
    RawDb raw(seed.path());
    EXPECT_EQ(raw.Rows("select value2 from table_setting where name='popoff'"), "0");
    EXPECT_EQ(raw.Rows("select value1, value2 from table_setting where name='proxy'"), "h:8080|1");
    EXPECT_EQ(raw.Rows("select count(*) from table_setting where name='proxy'"), "1");
    // The initials are those of the name, written by the upgrade.
    EXPECT_EQ(raw.Rows("select attribution, nameindex from table_contact"), "未知号码|LW");
    EXPECT_EQ(raw.Rows("select attribution from table_sms"), "未知号码");
    EXPECT_EQ(raw.Rows("select record_guid from table_log"), "");
    EXPECT_FALSE(db.Settings().ReadSwitch(QStringLiteral("popoff")));
    EXPECT_EQ(db.Settings().ReadText(QStringLiteral("proxy")), QStringLiteral("h:8080"));
    EXPECT_EQ(db.Settings().ReadText(QStringLiteral("no such row")), QString());
    EXPECT_FALSE(db.Settings().ReadSwitch(QStringLiteral("no such row")));
}

TEST(Open, RefusesWhatIsNotADatabaseAndLeavesNoFileBehindForAttribution) {
    QTemporaryDir dir;
    const QString garbage = dir.filePath(QStringLiteral("garbage.db"));
    QFile file(garbage);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(4096, 'x'));
    file.close();

    LocalDatabase db;
    EXPECT_FALSE(db.Open(garbage));
    EXPECT_FALSE(db.OpenError().isEmpty());
    EXPECT_FALSE(db.IsOpen());
    EXPECT_FALSE(db.Open(dir.path()));
    // Operations on a closed database report nothing useful but never crash.
    EXPECT_TRUE(db.Contacts().Load().empty());
    test::StoreLog log;
    EXPECT_FALSE(db.CallLog().Add(QStringLiteral("1"), {}, {}, 3));
    EXPECT_NE(log.Take().find("插入通话记录失败："), std::string::npos);

    AttributionDatabase attribution;
    const QString missing = dir.filePath(QStringLiteral("MoblieAreacode.db"));
    EXPECT_FALSE(attribution.Open(missing));
    EXPECT_FALSE(QFile::exists(missing));
    EXPECT_EQ(attribution.GetAttribution(QStringLiteral("13800000000")),
              QStringLiteral("未知号码"));
}

TEST_F(MigratedDatabase, AddContactSplitsNormalisesAndSkipsStoredNumbers) {
    ContactRecord record(QStringLiteral("张三"), QStringLiteral("138 0000 0000;+86-139-0000-0000"),
                         QStringLiteral("h.png"));
    record.email = QStringLiteral("zs@example.com");
    record.other = QStringLiteral("remark");
    std::vector<ContactRecord> stored;
    ASSERT_TRUE(db_.Contacts().Add(record, attribution_, &stored));
    ASSERT_EQ(stored.size(), 2u);
    // The rows as stored, with their ids, for the list to show.
    EXPECT_EQ(stored[0].phone, QStringLiteral("13800000000"));
    EXPECT_EQ(stored[1].attribution, QStringLiteral("移动|新疆乌鲁木齐"));
    EXPECT_EQ(stored[1].initials, QStringLiteral("ZS"));
    EXPECT_EQ(stored[1].email, QStringLiteral("zs@example.com"));

    RawDb raw(seed_.path());
    EXPECT_EQ(raw.Rows("select name, phone, head, email, other, attribution, nameindex from "
                       "table_contact order by id"),
              "张三|13800000000|h.png|zs@example.com|remark|移动|北京|ZS\n"
              "张三|13900000000|h.png|zs@example.com|remark|移动|新疆乌鲁木齐|ZS");

    // Stored numbers, typed bare or as written before, are skipped and still succeed; an IP
    // prefix in front is dropped; empty parts make no rows.
    ContactRecord again(QStringLiteral("李四"),
                        QStringLiteral("13800000000;138 0000 0000;1795113908001234;"), {});
    stored.clear();
    ASSERT_TRUE(db_.Contacts().Add(again, attribution_, &stored));
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(raw.Rows("select name, phone, attribution from table_contact where id>2"),
              "李四|13908001234|移动|四川成都");
    EXPECT_EQ(raw.Rows("select id from table_contact where phone='13908001234'"),
              std::to_string(stored[0].id));
    EXPECT_EQ(db_.Contacts().GetName(QStringLiteral("13908001234")), QStringLiteral("李四"));
    EXPECT_EQ(db_.Contacts().GetName(QStringLiteral("10000")), QString());
}

TEST_F(MigratedDatabase, ContactReadersAndUpdates) {
    ContactRecord record(QStringLiteral("王小明"), QStringLiteral("13800000000"), {});
    record.company = QStringLiteral("公司");
    record.cid = QStringLiteral("c-1");
    record.datetime = QStringLiteral("2016-03-07");
    ASSERT_TRUE(db_.Contacts().Add(record, attribution_));

    std::vector<ContactRecord> loaded = db_.Contacts().Load();
    ASSERT_EQ(loaded.size(), 1u);
    EXPECT_GT(loaded[0].id, 0);
    EXPECT_EQ(loaded[0].initials, QStringLiteral("WXM"));
    EXPECT_EQ(loaded[0].indexLetter, QChar(u'W'));
    EXPECT_EQ(loaded[0].attribution, QStringLiteral("移动|北京"));
    EXPECT_EQ(loaded[0].company, QStringLiteral("公司"));

    const std::vector<ContactRecord> all = db_.Contacts().GetAll();
    ASSERT_EQ(all.size(), 1u);
    EXPECT_EQ(all[0].id, 0);
    EXPECT_TRUE(all[0].attribution.isEmpty());
    const std::vector<ContactRecord> backup = db_.Contacts().GetForBackup();
    ASSERT_EQ(backup.size(), 1u);
    EXPECT_EQ(backup[0].datetime, QStringLiteral("2016-03-07"));
    EXPECT_EQ(backup[0].cid, QStringLiteral("c-1"));

    ContactRecord edited(QStringLiteral("赵六"), QStringLiteral("139-0000-0000"), {});
    edited.id = loaded[0].id;
    ASSERT_TRUE(db_.Contacts().Update(edited, attribution_));
    loaded = db_.Contacts().Load();
    EXPECT_EQ(loaded[0].name, QStringLiteral("赵六"));
    // The number as typed, and where it belongs, no longer the old number's place.
    EXPECT_EQ(loaded[0].phone, QStringLiteral("139-0000-0000"));
    EXPECT_EQ(loaded[0].attribution, QStringLiteral("移动|新疆乌鲁木齐"));
    EXPECT_EQ(db_.Contacts().SearchList(QStringLiteral("zl")).size(), 1u);

    EXPECT_TRUE(db_.Contacts().Delete(loaded[0].id));
    EXPECT_TRUE(db_.Contacts().Load().empty());
    ASSERT_TRUE(db_.Contacts().Add(record, attribution_));
    EXPECT_TRUE(db_.Contacts().DeleteAll());
    EXPECT_TRUE(db_.Contacts().Load().empty());
}

TEST_F(MigratedDatabase, SearchMatchesInitialsNamesAndNumbersWithKeywordsTakenAsText) {
    ASSERT_TRUE(db_.Contacts().Add(
        ContactRecord(QStringLiteral("张三"), QStringLiteral("13800000000"), {}), attribution_));
    ASSERT_TRUE(db_.Contacts().Add(
        ContactRecord(QStringLiteral("O'Brien"), QStringLiteral("13900000000"), {}), attribution_));
    ASSERT_TRUE(db_.Contacts().Add(
        ContactRecord(QStringLiteral("100% Tea_Shop"), QStringLiteral("02088290291"), {}),
        attribution_));

    auto names = [](const std::vector<ContactRecord>& found) {
        QStringList list;
        for (const ContactRecord& c : found) {
            list << c.name;
        }
        list.sort();
        return list.join(u',');
    };
    EXPECT_EQ(names(db_.Contacts().SearchList(QStringLiteral("zs"))), QStringLiteral("张三"));
    EXPECT_EQ(names(db_.Contacts().SearchList(QStringLiteral("ZS"))), QStringLiteral("张三"));
    EXPECT_EQ(names(db_.Contacts().SearchList(QStringLiteral("o'b"))), QStringLiteral("O'Brien"));
    EXPECT_EQ(names(db_.Contacts().SearchList(QStringLiteral("8829"))),
              QStringLiteral("100% Tea_Shop"));
    EXPECT_EQ(names(db_.Contacts().SearchList(QStringLiteral("' or '1'='1"))), QString());
    // '%' and '_' stay wildcards.
    EXPECT_EQ(names(db_.Contacts().SearchList(QStringLiteral("%"))).count(u','), 2);
    EXPECT_EQ(names(db_.Contacts().Search(QStringLiteral("Tea_"))),
              QStringLiteral("100% Tea_Shop"));
    EXPECT_TRUE(db_.Contacts().Search(QStringLiteral("张"))[0].attribution.isEmpty());
    EXPECT_EQ(db_.Contacts().SearchList(QStringLiteral("张"))[0].attribution,
              QStringLiteral("移动|北京"));
}

TEST_F(MigratedDatabase, SearchKeysAgreeWithReadingEveryRowForShortAndCommonKeywords) {
    RawDb raw(seed_.path());
    // Names of 0, 1 and 200 characters, mixed case, emoji, a script with no pinyin reading,
    // a number with letters; most numbers share "138000", common enough to be read in the
    // list's order.
    const QString given = QStringLiteral("伟芳娜敏静丽强磊军洋");
    raw.Exec("begin");
    for (int i = 0; i < 2600; ++i) {
        QString name = QString(QStringLiteral("王李张刘陈")[i % 5]) + given[i % 7] + given[i % 10];
        if (i % 97 == 0) {
            name = QStringLiteral("😀Ann") + QString::number(i);
        } else if (i % 101 == 0) {
            name = QStringLiteral("김철수");
        } else if (i % 103 == 0) {
            name = i % 2 == 0 ? QString() : QStringLiteral("Q");
        } else if (i == 500) {
            name = QString(200, u'長');
        }
        const QString phone = i % 10 != 0 ? QStringLiteral("138000%1").arg(i, 5, 10, QChar(u'0'))
                                          : QStringLiteral("1%1").arg(i * 7919 % 1000000000);
        raw.Exec("insert into table_contact(name, phone, nameindex) values('" + name.toStdString() +
                 "', '" + phone.toStdString() + "', '" + GetInitials(name).toStdString() + "')");
    }
    raw.Exec("insert into table_contact(name, phone, nameindex) values('Box', '10086abc', 'BOX')");
    raw.Exec("commit");
    // Renamed and deleted rows leave nothing behind in the indexes.
    raw.Exec("update table_contact set name='赵Bob', nameindex='ZBOB' where id % 50 = 1");
    raw.Exec("delete from table_contact where id % 50 = 2");

    const auto ids = [](const std::vector<ContactKey>& keys) {
        std::string text;
        for (const ContactKey& key : keys) {
            text += std::to_string(key.id) + ' ';
        }
        return text;
    };
    std::set<QString> keywords{QStringLiteral("138000"), QStringLiteral("0001"),
                               QStringLiteral("99999"),  QStringLiteral("AB"),
                               QStringLiteral("😀"),      QStringLiteral("長長長")};
    const std::string texts = raw.Rows("select name || char(10) || phone || char(10) || "
                                       "nameindex from table_contact where id % 7 = 0");
    const QString all = QString::fromStdString(texts);
    const std::u32string points = all.toStdU32String();
    for (size_t i = 0; i < points.size(); ++i) {
        for (size_t length = 1; length <= 2 && i + length <= points.size(); ++length) {
            const QString keyword = QString::fromStdU32String(points.substr(i, length));
            if (!keyword.contains(u'\n')) {
                keywords.insert(keyword);
            }
        }
    }
    ASSERT_GT(keywords.size(), 150u);
    for (const QString& keyword : keywords) {
        std::string pattern = keyword.toStdString();
        const std::string like = "'%" + pattern + "%'";
        const std::string expected = raw.Rows(
            "select ifnull(group_concat(id, ' ') || ' ', '') from (select id from table_contact "
            "where name like " +
            like + " or phone like " + like + " or nameindex like " + like +
            " order by nameindex, id)");
        const std::string found = ids(db_.Contacts().SearchKeys(keyword));
        EXPECT_EQ(found, expected) << pattern;
        const std::string first = ids(db_.Contacts().SearchKeys(keyword, 5));
        EXPECT_EQ(first, found.substr(0, first.size())) << pattern;
        EXPECT_EQ(std::count(first.begin(), first.end(), ' '),
                  std::min<std::ptrdiff_t>(5, std::count(found.begin(), found.end(), ' ')))
            << pattern;
    }
    EXPECT_EQ(raw.Rows("pragma integrity_check"), "ok");
}

TEST_F(MigratedDatabase, CallLogRowsCarryAttributionTextNoteMarkAndRecording) {
    ASSERT_TRUE(
        db_.Contacts().Add(ContactRecord(QStringLiteral("张三"), QStringLiteral("13800000000"),
                                         QStringLiteral("z.png")),
                           attribution_));
    ASSERT_TRUE(db_.CallLog().Add(QStringLiteral("13800000000"), QStringLiteral("广东广州"),
                                  QStringLiteral("中国移动"), 3));
    ASSERT_TRUE(
        db_.CallLog().Add(QStringLiteral("075512345678"), {}, QStringLiteral("中国电信"), 5));
    ASSERT_TRUE(db_.CallLog().Add(QStringLiteral("4008"), QStringLiteral("北京"), {}, 4));

    std::vector<CallLogRecord> rows = db_.CallLog().Load();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].phone, QStringLiteral("4008")); // newest first
    EXPECT_EQ(rows[0].attribution, QStringLiteral("未知号码"));
    EXPECT_EQ(rows[1].attribution, QStringLiteral("未知号码"));
    EXPECT_EQ(rows[1].type, 5);
    EXPECT_TRUE(rows[1].nameIsPhone);
    EXPECT_EQ(rows[2].attribution, QStringLiteral("移动|广东广州"));
    EXPECT_EQ(rows[2].name, QStringLiteral("张三"));
    EXPECT_EQ(rows[2].head, QStringLiteral("z.png"));
    EXPECT_FALSE(rows[2].nameIsPhone);
    EXPECT_TRUE(std::regex_match(rows[2].dateTime.toStdString(),
                                 std::regex(R"(\d{4}/\d\d/\d\d \d\d:\d\d:\d\d)")))
        << rows[2].dateTime.toStdString();

    EXPECT_FALSE(rows[2].hasNote);
    ASSERT_TRUE(db_.Notes().Add({}, {}, {}, {}, QStringLiteral("call back"), rows[2].id));
    EXPECT_TRUE(db_.CallLog().HasNote(rows[2].id));
    EXPECT_TRUE(db_.CallLog().Load()[2].hasNote);
    ASSERT_TRUE(db_.Notes().GetForCall(rows[2].id).has_value());
    EXPECT_EQ(db_.Notes().GetForCall(rows[2].id)->content, QStringLiteral("call back"));

    const QString guid = QStringLiteral("0A1B2C3D-0000-4000-8000-000000000001");
    EXPECT_EQ(db_.CallLog().LinkRecording(guid, 0), CallLogTable::RecordingLink::Linked);
    EXPECT_EQ(db_.CallLog().LinkRecording(QStringLiteral("other"), 0),
              CallLogTable::RecordingLink::NotLinked);
    EXPECT_EQ(db_.CallLog().Load()[0].recordGuid, guid);

    EXPECT_TRUE(db_.CallLog().Delete({rows[0].id, 999999, rows[1].id}));
    rows = db_.CallLog().Load();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].phone, QStringLiteral("13800000000"));
}

TEST_F(MigratedDatabase, NoteReminderTimersFollowTheTimeLeft) {
    const std::int64_t now = 1700000000;
    ASSERT_TRUE(db_.Notes().Add(QStringLiteral("a"), {}, {}, QString::number(now + 90),
                                QStringLiteral("soon"), 0));
    ASSERT_TRUE(db_.Notes().Add(QStringLiteral("b"), {}, {}, QString::number(now - 5),
                                QStringLiteral("past"), 0));
    ASSERT_TRUE(db_.Notes().Add(QStringLiteral("c"), {}, {}, QString(), QStringLiteral("none"), 0));
    ASSERT_TRUE(db_.Notes().Add(QStringLiteral("d"), {}, {}, QString::number(now),
                                QStringLiteral("now"), 0));
    ASSERT_TRUE(db_.Notes().Add(QStringLiteral("e"), {}, {}, QStringLiteral("soon"),
                                QStringLiteral("not a time"), 0));

    const std::vector<NoteRecord> notes = db_.Notes().Load(now);
    ASSERT_EQ(notes.size(), 5u);
    const NoteRecord& soon = notes[4];
    EXPECT_EQ(soon.content, QStringLiteral("soon"));
    EXPECT_EQ(soon.timerId, kNoteTimerBase + soon.id);
    EXPECT_EQ(soon.timerDelayMs, 90000);
    EXPECT_FALSE(soon.displayTime.isEmpty());
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(notes[i].timerId, 0) << notes[i].content.toStdString();
        EXPECT_EQ(notes[i].timerDelayMs, 0);
    }
    EXPECT_TRUE(notes[2].displayTime.isEmpty());
    EXPECT_TRUE(notes[0].displayTime.isEmpty());
    // Start-up reads only the reminders still to come.
    const std::vector<NoteRecord> due = db_.Notes().LoadDueReminders(now);
    ASSERT_EQ(due.size(), 1u);
    EXPECT_EQ(due[0].id, soon.id);
    EXPECT_EQ(due[0].timerDelayMs, 90000);

    ASSERT_TRUE(db_.Notes().Update(soon.id, QStringLiteral("a2"), QStringLiteral("1"), {},
                                   QString::number(now + 3600), QStringLiteral("later")));
    const std::optional<NoteRecord> updated = db_.Notes().Get(soon.id);
    ASSERT_TRUE(updated.has_value());
    EXPECT_EQ(updated->name, QStringLiteral("a2"));
    EXPECT_EQ(db_.Notes().Load(now)[4].timerDelayMs, 3600000);
    EXPECT_FALSE(db_.Notes().Get(999999).has_value());

    EXPECT_TRUE(db_.Notes().Delete({notes[0].id, notes[1].id}));
    EXPECT_EQ(db_.Notes().Load(now).size(), 3u);
}

TEST_F(MigratedDatabase, QuotesAndWildcardsRoundTripInEveryTable) {
    const QString text = QStringLiteral("O'Brien \"100%\" a_b '); drop table table_log; --");
    ContactRecord contact(text, QStringLiteral("13800000000"), text);
    contact.email = contact.company = contact.home = contact.other = contact.cid = text;
    ASSERT_TRUE(db_.Contacts().Add(contact, attribution_));
    const ContactRecord loaded = db_.Contacts().Load().at(0);
    EXPECT_EQ(loaded.name, text);
    EXPECT_EQ(loaded.head, text);
    EXPECT_EQ(loaded.other, text);
    EXPECT_EQ(db_.Contacts().GetName(QStringLiteral("13800000000")), text);

    ASSERT_TRUE(db_.CallLog().Add(text, text, text, 4));
    EXPECT_EQ(db_.CallLog().Load().at(0).phone, text);
    ASSERT_TRUE(db_.Sms().Add(text, text, text));
    const SmsRecord sms = db_.Sms().Load().at(0);
    EXPECT_EQ(sms.content, text);
    EXPECT_EQ(sms.name, text); // no contact: the number stands for the name
    EXPECT_EQ(db_.Sms().GetFirstTo(text), QStringList({sms.dateTime, text}));

    ASSERT_TRUE(db_.Templates().Save({-1, text, text}));
    const TemplateRecord stored = db_.Templates().GetAll().at(0);
    EXPECT_EQ(stored.title, text);
    ASSERT_TRUE(db_.Templates().Save({stored.id, QStringLiteral("t"), text + text}));
    EXPECT_EQ(db_.Templates().Load().at(0).content, text + text);

    ASSERT_TRUE(db_.Notes().Add(text, text, text, {}, text, 0));
    EXPECT_EQ(db_.Notes().Load(0).at(0).content, text);

    ASSERT_TRUE(db_.Settings().UpdateText(QStringLiteral("proxy"), text));
    EXPECT_EQ(db_.Settings().ReadText(QStringLiteral("proxy")), text);
    ASSERT_TRUE(db_.Account().SaveLogin(text, text, true));
    const AccountRecord account = db_.Account().Read();
    EXPECT_EQ(account.account, text);
    EXPECT_EQ(account.password, text);
    EXPECT_EQ(account.rememberPassword, 1);
    ASSERT_TRUE(db_.Account().SaveLogin({}, QStringLiteral("ignored"), false));
    EXPECT_EQ(db_.Account().Read().password, text);
    EXPECT_EQ(db_.Account().Read().rememberPassword, 0);
    ASSERT_TRUE(db_.Account().UpdateProfile(text, text, QStringLiteral("公司")));
    EXPECT_EQ(db_.Account().GetProfile(text).name, text);
    EXPECT_EQ(db_.Account().GetProfile(text).company, QStringLiteral("公司"));

    RawDb raw(seed_.path());
    EXPECT_EQ(raw.Rows("select count(*) from table_log"), "1");
}

TEST_F(MigratedDatabase, DownloadedContactsAreStoredAllOrNone) {
    std::vector<ContactRecord> batch;
    for (int i = 0; i < 50; ++i) {
        batch.emplace_back(QStringLiteral("张%1").arg(i),
                           QStringLiteral("1380000%1").arg(i, 4, 10, QChar(u'0')), QString());
    }
    ASSERT_TRUE(db_.Contacts().InsertDownloaded(batch, attribution_));
    RawDb raw(seed_.path());
    // Each gets the place and carrier of its number, as an added contact does.
    EXPECT_EQ(raw.Rows("select count(*), min(nameindex) from table_contact"), "50|Z0");
    EXPECT_EQ(raw.Rows("select distinct attribution from table_contact"),
              attribution_.GetAttribution(QStringLiteral("13800000000")).toStdString());
    EXPECT_NE(raw.Rows("select distinct attribution from table_contact"), "未知号码");

    raw.Exec("create trigger refuse before insert on table_contact when new.name='bad' "
             "begin select raise(abort, 'refused'); end");
    batch.emplace_back(QStringLiteral("bad"), QStringLiteral("1"), QString());
    test::StoreLog log;
    EXPECT_FALSE(db_.Contacts().InsertDownloaded(batch, attribution_));
    EXPECT_NE(log.Take().find("插入联系人失败：refused"), std::string::npos);
    EXPECT_EQ(raw.Rows("select count(*) from table_contact"), "50");
    // The transaction was closed: later writes land and other connections can write.
    EXPECT_TRUE(db_.CallLog().Add(QStringLiteral("1"), {}, {}, 3));
    raw.Exec("insert into table_sms(name) values('x')");
}

TEST_F(MigratedDatabase, FailedWritesReportTheirLineAndDeletesCarryOn) {
    RawDb raw(seed_.path());
    raw.Exec("create trigger keep before delete on table_sms when old.content='keep' "
             "begin select raise(abort, 'kept'); end");
    ASSERT_TRUE(db_.Sms().Add(QStringLiteral("1"), QStringLiteral("keep"), {}));
    ASSERT_TRUE(db_.Sms().Add(QStringLiteral("2"), QStringLiteral("go"), {}));
    const std::vector<SmsRecord> sms = db_.Sms().Load();
    test::StoreLog log;
    EXPECT_TRUE(db_.Sms().Delete({sms[1].id, sms[0].id}));
    EXPECT_EQ(log.Take(), "删除短信失败： kept\n");
    ASSERT_EQ(db_.Sms().Load().size(), 1u);
    EXPECT_EQ(db_.Sms().Load()[0].content, QStringLiteral("keep"));

    raw.Exec("drop table table_notepad");
    EXPECT_FALSE(db_.Notes().Add({}, {}, {}, {}, QStringLiteral("x"), 0));
    EXPECT_FALSE(db_.Notes().Update(1, {}, {}, {}, {}, QStringLiteral("x")));
    EXPECT_EQ(log.Take(), "插入笔记失败：no such table: table_notepad\n"
                          "更新笔记失败：no such table: table_notepad\n");
    EXPECT_TRUE(db_.Notes().Load(0).empty());
}

TEST_F(MigratedDatabase, ConcurrentWritersAndReadersShareTheConnection) {
    constexpr int kThreads = 4;
    constexpr int kRowsEach = 100;
    std::atomic<bool> allOk{true};
    std::vector<std::thread> writers;
    for (int t = 0; t < kThreads; ++t) {
        writers.emplace_back([&, t] {
            for (int i = 0; i < kRowsEach; ++i) {
                if (!db_.CallLog().Add(QString::number(t * 1000 + i), {}, {}, 3)) {
                    allOk = false;
                }
            }
        });
    }
    for (int i = 0; i < 20; ++i) {
        db_.CallLog().Load();
    }
    for (std::thread& writer : writers) {
        writer.join();
    }
    EXPECT_TRUE(allOk);
    EXPECT_EQ(db_.CallLog().Load().size(), std::size_t(kThreads * kRowsEach));
}

} // namespace
} // namespace tamberlink
