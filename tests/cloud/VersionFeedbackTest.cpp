#include "CloudFlowFixture.h"

namespace tamberlink::test {
namespace {

TEST(VersionOrder, ComparesDottedNumbers) {
    EXPECT_TRUE(VersionCheck::IsNewer("1.0.6", "1.0.5"));
    EXPECT_TRUE(VersionCheck::IsNewer("1.0.10", "1.0.5"));
    EXPECT_TRUE(VersionCheck::IsNewer("2.0", "1.0.5"));
    EXPECT_TRUE(VersionCheck::IsNewer("1.1", "1.0.5"));
    EXPECT_TRUE(VersionCheck::IsNewer("1.0.5.1", "1.0.5"));
    EXPECT_TRUE(VersionCheck::IsNewer("1.0.6B", "1.0.6a"));
    EXPECT_TRUE(VersionCheck::IsNewer("1.0.99999999999999999999", "1.0.5"));
    EXPECT_FALSE(VersionCheck::IsNewer("1.0.5", "1.0.5"));
    EXPECT_FALSE(VersionCheck::IsNewer("1.0.5.0", "1.0.5"));
    EXPECT_FALSE(VersionCheck::IsNewer("1.0.05", "1.0.5"));
    EXPECT_FALSE(VersionCheck::IsNewer("1.0.4", "1.0.5"));
    EXPECT_FALSE(VersionCheck::IsNewer("0.9.99", "1.0.5"));
    EXPECT_FALSE(VersionCheck::IsNewer("1.0", "1.0.5"));
    EXPECT_FALSE(VersionCheck::IsNewer("", "1.0.5"));
    EXPECT_FALSE(VersionCheck::IsNewer("1.0.6a", "1.0.6A"));
}

using VersionCheckTest = CloudFlowTest;
using FeedbackTest = CloudFlowTest;

void OfferVersion(FakeCloud& fake, const char* num, const char* url) {
    Json::Value config;
    config["version"]["num"] = num;
    config["version"]["url"] = url;
    config["version"]["time"] = "2016-05-01";
    fake.Control("config", config);
}

TEST_F(VersionCheckTest, NewerVersionsShowForBothOrigins) {
    const struct {
        const char* num;
        const char* url;
        bool found;
    } rows[] = {
        {"1.0.6", "http://d/1.0.6.exe", true},  {"1.0.10", "http://d/1.0.10.exe", true},
        {"1.0.5", "http://d/1.0.5.exe", false}, {"2.0", "", false},
        {"", "http://d/x.exe", false},
    };
    for (const auto& row : rows) {
        OfferVersion(fake_, row.num, row.url);
        for (const int origin : {VersionCheck::kStartUp, VersionCheck::kUpdateWindow}) {
            sink_.events.clear();
            flows_->Version().CheckForUpdates(origin);
            ASSERT_TRUE(WaitIdle());
            QStringList expected;
            if (row.found) {
                expected << QStringLiteral("newVersion:%1|%2")
                                .arg(QString::fromLatin1(row.num), QString::fromLatin1(row.url));
            } else if (origin == VersionCheck::kUpdateWindow) {
                expected << QStringLiteral("noNewVersion");
            }
            EXPECT_EQ(sink_.events, expected) << row.num << " origin " << origin;
        }
    }
    const Json::Value sent = fake_.Requests("api/version")[0]["form"];
    EXPECT_EQ(sent["cmd"].asString(), "upd");
    EXPECT_EQ(sent["type"].asString(), "3");
}

TEST_F(VersionCheckTest, FailuresShowOnlyForTheUpdateWindow) {
    fake_.AddRule(R"({"path": "api/version", "action": "code", "code": 1, "times": 2})");
    flows_->Version().CheckForUpdates(VersionCheck::kStartUp);
    ASSERT_TRUE(WaitIdle());
    EXPECT_TRUE(sink_.events.isEmpty());
    flows_->Version().CheckForUpdates(VersionCheck::kUpdateWindow);
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(sink_.events, QStringList{QStringLiteral("tip:查找更新失败，请稍后再试")});

    // Unreadable replies and odd data are silent; a stalled one never answers at all.
    sink_.events.clear();
    for (const char* body : {"<html/>", "{\"code\":0,\"data\":{\"num\":[1],\"url\":{}}}",
                             "{\"code\":0,\"data\":\"1.0.6\"}"}) {
        fake_.AddRawReply("api/version", "upd", body);
        flows_->Version().CheckForUpdates(VersionCheck::kStartUp);
        ASSERT_TRUE(WaitIdle());
    }
    EXPECT_TRUE(sink_.events.isEmpty()) << sink_.events.join(u',').toStdString();
}

TEST_F(FeedbackTest, AnyReplyThanksTheUser) {
    flows_->FeedbackSender().SubmitFeedback(QString(), QString());
    ASSERT_TRUE(WaitForEvent(QStringLiteral("tip:提交成功，感谢您的宝贵意见！")));
    EXPECT_EQ(sink_.events, (QStringList{QStringLiteral("closeFeedback"),
                                         QStringLiteral("tip:提交成功，感谢您的宝贵意见！")}));
    const Json::Value first = fake_.Requests("api/feedback")[0];
    EXPECT_EQ(first["body"].asString().substr(first["body"].asString().find("&content=")),
              "&content=&tel=");

    fake_.AddRule(R"({"path": "api/feedback", "action": "empty", "times": 1})");
    sink_.events.clear();
    flows_->FeedbackSender().SubmitFeedback(QStringLiteral("界面 & 速度=好+快 100%"),
                                            QStringLiteral("12345"));
    ASSERT_TRUE(WaitForEvent(QStringLiteral("tip:提交成功，感谢您的宝贵意见！")));
    EXPECT_EQ(fake_.Requests("api/feedback")[1]["form"]["content"].asString(),
              "界面 & 速度=好+快 100%");
    EXPECT_EQ(fake_.Requests("api/feedback")[1]["form"]["tel"].asString(), "12345");
}

} // namespace
} // namespace tamberlink::test
