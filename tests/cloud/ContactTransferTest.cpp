#include "CloudFlowFixture.h"

#include "cloud/CloudContact.h"

#include <QDir>
#include <QFile>

#include <regex>
#include <set>

namespace tamberlink::test {
namespace {

using namespace std::chrono_literals;

using ContactBackupTest = CloudFlowTest;
using ContactSyncTest = CloudFlowTest;

Json::Value CloudContactJson(const char* name, const char* number) {
    Json::Value c;
    c["cid"] = std::string("cid-") + number;
    c["name"] = name;
    c["number"] = number;
    c["head"] = "h.png";
    c["company"] = "公司";
    c["address"] = "地址";
    c["email"] = "m@x";
    c["memo"] = "备注";
    c["date"] = "2016-03-07";
    return c;
}

void SeedCloud(FakeCloud& fake, const Json::Value& contacts) {
    Json::Value body;
    body["account"] = CloudFlowTest::kAccount;
    body["contacts"] = contacts;
    fake.Control("contacts", body);
}

TEST_F(ContactBackupTest, UploadsPagesOf100WithFreshIdentifiers) {
    AddLocalContacts(250);
    const std::string before = Contacts();
    LogIn();
    flows_->Backup().Start();
    ASSERT_TRUE(WaitForEvent(QStringLiteral("tip:备份成功")));
    EXPECT_EQ(sink_.events,
              (QStringList{QStringLiteral("progress"), QStringLiteral("text:正在校验云端联系人"),
                           QStringLiteral("text:正在备份联系人 0%"),
                           QStringLiteral("text:正在备份联系人 40%"),
                           QStringLiteral("text:正在备份联系人 80%"), QStringLiteral("endProgress"),
                           QStringLiteral("tip:备份成功")}));

    // The old cloud copy is read before it is cleared.
    const Json::Value requests = fake_.Requests("api/contact");
    ASSERT_EQ(requests.size(), 5u);
    EXPECT_EQ(requests[0]["form"]["cmd"].asString(), "all");
    const Json::Value del = requests[1];
    EXPECT_EQ(del["form"]["cmd"].asString(), "delRange");
    EXPECT_EQ(del["form"]["begin"].asString(), "2015-01-01");

    std::vector<int> sizes;
    std::set<std::string> cids;
    const std::regex guid("^[0-9A-F]{8}-[0-9A-F]{4}-[0-9a-f]{4}-[0-9A-F]{4}-[0-9A-F]{12}$");
    for (Json::ArrayIndex i = 2; i < requests.size(); ++i) {
        const std::string body = requests[i]["body"].asString();
        // The styled layout: one key per line, three blanks of indent per level.
        EXPECT_NE(body.find("[\n   {\n      \"address\" : \"h\",\n      \"cid\" : \""),
                  std::string::npos)
            << body.substr(0, 200);
        const Json::Value page = ParseJson(body);
        sizes.push_back(int(page.size()));
        for (const Json::Value& contact : page) {
            EXPECT_EQ(contact.getMemberNames().size(), 9u);
            EXPECT_TRUE(std::regex_match(contact["cid"].asString(), guid));
            cids.insert(contact["cid"].asString());
        }
    }
    EXPECT_EQ(sizes, (std::vector<int>{100, 100, 50}));
    EXPECT_EQ(cids.size(), 250u);
    const Json::Value first = ParseJson(requests[2]["body"].asString())[0];
    EXPECT_EQ(first["name"].asString(), "联系人0");
    EXPECT_EQ(first["number"].asString(), "13910000000");
    EXPECT_EQ(first["memo"].asString(), "o");
    EXPECT_EQ(first["date"].asString(), "2016-01-01");
    EXPECT_EQ(fake_.State()["contacts"][kAccount].size(), 250u);
    EXPECT_EQ(Contacts(), before); // the local contacts keep their identifiers
}

TEST_F(ContactBackupTest, NoLocalContactsUploadOneEmptyObject) {
    LogIn();
    flows_->Backup().Start();
    ASSERT_TRUE(WaitForEvent(QStringLiteral("tip:备份成功")));
    EXPECT_TRUE(sink_.Has(QStringLiteral("text:正在备份联系人 0%")));
    const Json::Value page = ParseJson(fake_.Requests("api/contact")[2]["body"].asString());
    ASSERT_EQ(page.size(), 1u);
    EXPECT_EQ(page[0].getMemberNames(),
              (std::vector<std::string>{"address", "cid", "company", "date", "email", "head",
                                        "memo", "name", "number"}));
    for (const std::string& key : page[0].getMemberNames()) {
        EXPECT_EQ(page[0][key].asString(), "") << key;
    }
}

// The names of the user's cloud contacts, in order.
std::string CloudNames(FakeCloud& fake) {
    std::string names;
    const Json::Value state = fake.State();
    for (const Json::Value& stored : state["contacts"][CloudFlowTest::kAccount]) {
        names += (names.empty() ? "" : ",") + stored["contact"]["name"].asString();
    }
    return names;
}

TEST_F(ContactBackupTest, AFailedBackupLeavesTheOldCloudCopy) {
    AddLocalContacts(120);
    Json::Value old(Json::arrayValue);
    old.append(CloudContactJson("旧一", "13700000001"));
    old.append(CloudContactJson("旧二", "13700000002"));
    SeedCloud(fake_, old);
    LogIn();
    const QString restored = QStringLiteral("，云端联系人已恢复原样");

    // A refused page: the cloud is cleared again and the old copy goes back up.
    fake_.AddRule(
        R"({"path": "api/contact", "cmd": "addRange", "action": "code", "code": 3, "times": 1})");
    flows_->Backup().Start();
    ASSERT_TRUE(WaitForEvent(QStringLiteral("tip:备份失败") + restored));
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(sink_.events.back(), QStringLiteral("tip:备份失败") + restored);
    EXPECT_EQ(sink_.Count(QStringLiteral("endProgress")), 1);
    EXPECT_EQ(CloudNames(fake_), "旧一,旧二");
    EXPECT_EQ(fake_.State()["contacts"][kAccount][0]["contact"]["cid"].asString(),
              "cid-13700000001");

    // A delRange answered with an empty body: cleared or not, the old copy goes back.
    fake_.AddRule(R"({"path": "api/contact", "cmd": "delRange", "action": "empty", "times": 1})");
    sink_.events.clear();
    flows_->Backup().Start();
    ASSERT_TRUE(WaitForEvent(QStringLiteral("tip:网络超时，备份失败") + restored));
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(sink_.Starting(QStringLiteral("tip:")).size(), 1);
    EXPECT_EQ(CloudNames(fake_), "旧一,旧二");

    // A delRange that times out.
    fake_.AddRule(
        R"({"path": "api/contact", "cmd": "delRange", "action": "stall", "seconds": 20, "times": 1})");
    sink_.events.clear();
    flows_->Backup().Start();
    ASSERT_TRUE(WaitForEvent(QStringLiteral("tip:网络超时，备份失败") + restored, 45s));
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(
        sink_.events,
        (QStringList{QStringLiteral("progress"), QStringLiteral("text:正在校验云端联系人"),
                     QStringLiteral("text:正在恢复云端联系人"),
                     QStringLiteral("text:正在恢复云端联系人 0%"), QStringLiteral("endProgress"),
                     QStringLiteral("tip:网络超时，备份失败") + restored}));
    EXPECT_EQ(CloudNames(fake_), "旧一,旧二");

    // Gone while the pages go up and while the old copy goes back: the old copy is kept.
    fake_.AddRule(R"({"path": "api/contact", "cmd": "addRange", "action": "drop", "times": 2})");
    sink_.events.clear();
    flows_->Backup().Start();
    ASSERT_TRUE(WaitForNotice());
    const QString kept = flows_->Backup().SnapshotPath();
    EXPECT_EQ(
        sink_.events.back(),
        QStringLiteral("tip:无法连接服务器，备份失败，云端联系人未能恢复，原来的联系人已保存在 ") +
            QDir::toNativeSeparators(kept));
    QFile snapshot(kept);
    ASSERT_TRUE(snapshot.open(QIODevice::ReadOnly));
    const Json::Value saved = ParseJson(snapshot.readAll().toStdString());
    ASSERT_EQ(saved.size(), 2u);
    EXPECT_EQ(saved[1]["name"].asString(), "旧二");

    // A delRange refused in JSON still lets the upload go ahead.
    fake_.AddRule(
        R"({"path": "api/contact", "cmd": "delRange", "action": "code", "code": 9, "times": 1})");
    sink_.events.clear();
    flows_->Backup().Start();
    ASSERT_TRUE(WaitForEvent(QStringLiteral("tip:备份成功")));
    EXPECT_EQ(fake_.State()["contacts"][kAccount].size(), 120u);
    // Nothing reaches the service: the cloud is left alone.
    fake_.AddRule(R"({"path": "api/contact", "cmd": "all", "action": "drop", "times": 1})");
    sink_.events.clear();
    flows_->Backup().Start();
    ASSERT_TRUE(WaitForEvent(QStringLiteral("tip:无法连接服务器，备份失败，云端联系人没有改动")));
    EXPECT_EQ(fake_.State()["contacts"][kAccount].size(), 120u);
}

TEST_F(ContactBackupTest, OddPageRepliesNeverCrash) {
    AddLocalContacts(3);
    LogIn();
    const QString restored = QStringLiteral("tip:备份失败，云端联系人已恢复原样");
    const struct {
        const char* body;
        bool ok;
    } rows[] = {
        {"<html>502</html>", false},        {"", false},
        {"\xEF\xBB\xBF{\"code\":0}", true}, {"{\"code\":0,\"msg\":\"trun", false},
        {"{\"code\":\"0\"}", false},
    };
    for (const auto& row : rows) {
        fake_.AddRawReply("api/contact", "addRange", row.body);
        sink_.events.clear();
        flows_->Backup().Start();
        ASSERT_TRUE(WaitForNotice());
        EXPECT_EQ(sink_.events.back(), row.ok ? QStringLiteral("tip:备份成功") : restored)
            << row.body;
        EXPECT_FALSE(flows_->Progress().WatchdogActive());
    }
}

TEST_F(ContactBackupTest, ASecondBackupWhileOneRunsChangesNothing) {
    AddLocalContacts(150);
    const std::string before = Contacts();
    LogIn();
    fake_.AddRule(R"({"path": "api/contact", "cmd": "addRange", "action": "stall", "seconds": 1})");
    flows_->Backup().Start();
    flows_->Backup().Start();
    ASSERT_TRUE(WaitFor([&] { return fake_.Requests("api/contact").size() == 3u; }));
    flows_->Backup().Start();
    flows_->Sync().Start();
    ASSERT_TRUE(WaitForEvent(QStringLiteral("tip:备份成功")));
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(sink_.Count(QStringLiteral("progress")), 1);
    EXPECT_EQ(sink_.Count(QStringLiteral("tip:备份成功")), 1);
    EXPECT_EQ(fake_.Requests("api/contact").size(), 4u); // the old copy, clearing, two pages
    EXPECT_EQ(fake_.State()["contacts"][kAccount].size(), 150u);
    EXPECT_EQ(Contacts(), before);
    EXPECT_EQ(RawDb(seed_.path()).Rows("pragma integrity_check"), "ok");
}

TEST_F(ContactBackupTest, WatchdogEndsAStalledBackupAndLateRepliesOfItAreIgnoredLater) {
    LogIn();
    fake_.AddRule(
        R"({"path": "api/contact", "cmd": "delRange", "action": "stall", "seconds": 3, "times": 1})");
    flows_->Backup().Start();
    EXPECT_TRUE(flows_->Progress().WatchdogActive());
    EXPECT_EQ(flows_->Progress().WatchdogSeconds(), 300);
    flows_->Progress().OnWatchdog();
    EXPECT_FALSE(flows_->Progress().WatchdogActive());
    EXPECT_EQ(sink_.events.mid(sink_.events.size() - 2),
              (QStringList{QStringLiteral("endProgress"),
                           QStringLiteral("tip:网络超时，请稍后再试......")}));
    // A new backup replaces the stalled one: the late reply to its reading of the old copy
    // starts nothing.
    flows_->Backup().Start();
    ASSERT_TRUE(WaitForEvent(QStringLiteral("tip:备份成功")));
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(sink_.Count(QStringLiteral("tip:备份成功")), 1);
    // Both read the old copy; only the second cleared it and sent its page.
    EXPECT_EQ(fake_.Requests("api/contact").size(), 4u);
}

TEST_F(ContactSyncTest, NeedsALogin) {
    flows_->Sync().Start();
    flows_->Backup().Start();
    EXPECT_EQ(sink_.events, (QStringList{QStringLiteral("tip:请登录后再同步联系人"),
                                         QStringLiteral("tip:请登录后再备份联系人")}));
    EXPECT_EQ(client_->RunningWorkers(), 0);
}

TEST_F(ContactSyncTest, AddsEachNewNumberOnceInOneGo) {
    AddLocalContacts(1); // 13910000000
    Json::Value cloud(Json::arrayValue);
    cloud.append(CloudContactJson("张三", "13800000001;13800000002"));
    cloud.append(CloudContactJson("李四", "13910000000"));  // stored already
    cloud.append(CloudContactJson("王五", "13800000003;")); // a trailing ';' adds no blank
    cloud.append(CloudContact::Empty());                    // what an empty backup leaves
    SeedCloud(fake_, cloud);
    LogIn();
    flows_->Sync().Start();
    ASSERT_TRUE(WaitForEvent(QStringLiteral("tip:同步联系人成功")));
    EXPECT_EQ(sink_.events,
              (QStringList{QStringLiteral("progress"), QStringLiteral("text:正在下载联系人 100%"),
                           QStringLiteral("reload"), QStringLiteral("endProgress"),
                           QStringLiteral("tip:同步联系人成功")}));
    // Each gets the place and carrier of its number, as an added contact does.
    const std::string where = attribution_.GetAttribution("13800000001").toStdString();
    ASSERT_NE(where, "未知号码");
    EXPECT_EQ(RawDb(seed_.path())
                  .Rows("select name, phone, head, email, company, home, other, cid, datetime, "
                        "attribution, nameindex from table_contact where id > 1 order by id"),
              "张三|13800000001|h.png|m@x|公司|地址|备注|cid-13800000001;13800000002|2016-03-07|" +
                  where +
                  "|ZS\n张三|13800000002|h.png|m@x|公司|地址|备注|cid-13800000001;13800000002|" +
                  "2016-03-07|" + where +
                  "|ZS\n王五|13800000003|h.png|m@x|公司|地址|备注|cid-13800000003;|" +
                  "2016-03-07|" + where + "|WW");
    const Json::Value form = fake_.Requests("api/contact")[0]["form"];
    EXPECT_EQ(form["page"].asString(), "1");
    EXPECT_EQ(form["page_size"].asString(), "20");

    // Syncing again adds nothing: every number is stored now.
    const std::string after = Contacts();
    flows_->Sync().Start();
    ASSERT_TRUE(WaitFor([&] { return sink_.Count(QStringLiteral("tip:同步联系人成功")) == 2; }));
    EXPECT_EQ(Contacts(), after);
}

TEST_F(ContactSyncTest, FetchesEveryPageOf20) {
    Json::Value cloud(Json::arrayValue);
    for (int i = 0; i < 45; ++i) {
        cloud.append(CloudContactJson("云", ("1370000" + std::to_string(1000 + i)).c_str()));
    }
    SeedCloud(fake_, cloud);
    LogIn();
    flows_->Sync().Start();
    ASSERT_TRUE(WaitForEvent(QStringLiteral("tip:同步联系人成功")));
    EXPECT_EQ(sink_.Starting(QStringLiteral("text:")),
              (QStringList{QStringLiteral("text:正在下载联系人 100%"),
                           QStringLiteral("text:正在下载联系人 66%"),
                           QStringLiteral("text:正在下载联系人 100%")}));
    const Json::Value requests = fake_.Requests("api/contact");
    ASSERT_EQ(requests.size(), 3u);
    for (Json::ArrayIndex i = 0; i < 3; ++i) {
        EXPECT_EQ(requests[i]["form"]["page"].asString(), std::to_string(i + 1));
    }
    EXPECT_EQ(RawDb(seed_.path()).Rows("select count(*) from table_contact"), "45");
}

TEST_F(ContactSyncTest, RefusalsAreKeptInTheLogFolder) {
    LogIn();
    fake_.AddRule(
        R"({"path": "api/contact", "cmd": "all", "action": "code", "code": 1, "msg": "no", "times": 1})");
    flows_->Sync().Start();
    ASSERT_TRUE(WaitForEvent(QStringLiteral("tip:下载联系人失败")));
    EXPECT_EQ(sink_.events.mid(sink_.events.size() - 2),
              (QStringList{QStringLiteral("endProgress"), QStringLiteral("tip:下载联系人失败")}));
    QFile refusal(dataRoot_ + QStringLiteral("/Log/downloadlist1111.txt"));
    ASSERT_TRUE(refusal.open(QIODevice::ReadOnly));
    EXPECT_EQ(refusal.readAll(), QByteArray(R"({"code": 1, "msg": "no"})"));

    fake_.AddRule(
        R"({"path": "api/contact", "cmd": "all", "action": "raw", "body": "{\"code\":0,\"data\":", "times": 1})");
    flows_->Sync().Start();
    ASSERT_TRUE(WaitFor([&] { return sink_.Count(QStringLiteral("tip:下载联系人失败")) == 2; }));
    QFile unreadable(dataRoot_ + QStringLiteral("/Log/downloadlist2222.txt"));
    ASSERT_TRUE(unreadable.open(QIODevice::ReadOnly));
    EXPECT_EQ(unreadable.readAll(), QByteArray("{\"code\":0,\"data\":"));
}

TEST_F(ContactSyncTest, EmptyOrOddListsChangeNothing) {
    AddLocalContacts(2);
    const std::string before = Contacts();
    LogIn();
    flows_->Sync().Start();
    ASSERT_TRUE(WaitForEvent(QStringLiteral("tip:同步联系人成功")));
    EXPECT_EQ(Contacts(), before);

    const char* odd[] = {
        R"({"code":0,"data":{"page":"1","total":"x","list":{"a":1}}})",
        R"({"code":0,"data":[1,2,3]})",
        R"({"code":0,"data":{"page":1,"total":1,"list":[1,"x",null,[]]}})",
        R"({"code":0,"data":{"page":1,"total":1,"list":[{"name":{},"number":[]}]}})",
        R"({"code":0,"data":{"page":1,"total":99999,"list":[]}})",
        "<html>no brace</html>",
    };
    for (const char* body : odd) {
        fake_.AddRawReply("api/contact", "all", body);
        sink_.events.clear();
        flows_->Sync().Start();
        ASSERT_TRUE(WaitForNotice()) << body;
        EXPECT_EQ(sink_.events.back(), QStringLiteral("tip:同步联系人成功")) << body;
        EXPECT_EQ(Contacts(), before) << body;
    }
}

TEST_F(ContactSyncTest, APageThatDoesNotMoveOnEndsTheSync) {
    LogIn();
    const char* pages[] = {
        R"({"code":0,"data":{"page":1,"total":5,"list":[{"name":"甲","number":"1"}]}})",
        R"({"code":0,"data":{"page":1,"total":5,"list":[{"name":"乙","number":"2"}]}})",
    };
    for (const char* page : pages) {
        fake_.AddRawReply("api/contact", "all", page);
    }
    flows_->Sync().Start();
    ASSERT_TRUE(WaitForEvent(QStringLiteral("tip:同步联系人成功")));
    ASSERT_TRUE(WaitIdle());
    const Json::Value requests = fake_.Requests("api/contact");
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1]["form"]["page"].asString(), "2");
    EXPECT_EQ(RawDb(seed_.path()).Rows("select name from table_contact order by id"), "甲\n乙");
}

TEST_F(ContactSyncTest, WatchdogEndsTheWaitAndALateReplyIsStillApplied) {
    Json::Value cloud(Json::arrayValue);
    cloud.append(CloudContactJson("迟", "13300000001"));
    SeedCloud(fake_, cloud);
    LogIn();
    fake_.AddRule(
        R"({"path": "api/contact", "cmd": "all", "action": "stall", "seconds": 2, "times": 1})");
    flows_->Sync().Start();
    EXPECT_EQ(flows_->Progress().WatchdogSeconds(), 900);
    flows_->Progress().OnWatchdog();
    ASSERT_TRUE(WaitForEvent(QStringLiteral("tip:同步联系人成功")));
    EXPECT_EQ(sink_.events,
              (QStringList{QStringLiteral("progress"), QStringLiteral("text:正在下载联系人 100%"),
                           QStringLiteral("endProgress"),
                           QStringLiteral("tip:网络超时，请稍后再试......"),
                           QStringLiteral("reload"), QStringLiteral("tip:同步联系人成功")}));
    EXPECT_EQ(RawDb(seed_.path()).Rows("select name from table_contact"), "迟");
}

TEST_F(ContactSyncTest, AFailedInsertLeavesTheDatabaseAsItWas) {
    AddLocalContacts(2);
    RawDb(seed_.path())
        .Exec("create trigger refuse before insert on table_contact when new.name = '坏' "
              "begin select raise(abort, 'refused'); end");
    const std::string before = Contacts();
    Json::Value cloud(Json::arrayValue);
    cloud.append(CloudContactJson("好", "13500000001"));
    cloud.append(CloudContactJson("坏", "13500000002"));
    cloud.append(CloudContactJson("好", "13500000003"));
    SeedCloud(fake_, cloud);
    LogIn();
    testing::internal::CaptureStderr();
    flows_->Sync().Start();
    const bool ended = WaitForEvent(QStringLiteral("tip:下载联系人失败"));
    const std::string errors = testing::internal::GetCapturedStderr();
    ASSERT_TRUE(ended);
    EXPECT_NE(errors.find("插入联系人失败：refused"), std::string::npos) << errors;
    EXPECT_FALSE(sink_.Has(QStringLiteral("reload")));
    EXPECT_TRUE(sink_.Has(QStringLiteral("endProgress")));
    EXPECT_EQ(Contacts(), before);
    // No transaction was left open: the connection still writes and commits.
    EXPECT_TRUE(database_.Account().SaveLogin(QStringLiteral("1"), QString(), false));
    EXPECT_EQ(RawDb(seed_.path()).Rows("select account from table_user"), "1");
}

} // namespace
} // namespace tamberlink::test
