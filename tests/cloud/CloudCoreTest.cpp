#include "app/AppCore.h"

#include "../app/CoreTestSupport.h"
#include "CloudSink.h"
#include "FakeCloud.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace tamberlink::test {
namespace {

// The core with its cloud part, against the fake service.
class CloudCoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureApplication();
        ASSERT_TRUE(docs_.isValid());
        ASSERT_TRUE(fake_.Start());
        Json::Value config;
        config["version"]["num"] = "1.0.6";
        config["version"]["url"] = "http://d/new";
        fake_.Control("config", config);
    }

    std::unique_ptr<AppCore> StartCore(const std::string& baseUrl) {
        AppConfig config = TestConfig(docs_.path(), BuiltDataFolder());
        config.cloudBaseUrl = QString::fromStdString(baseUrl);
        auto core = std::make_unique<AppCore>(config, sink_);
        EXPECT_TRUE(core->Start());
        return core;
    }

    QString Proxy() const {
        const std::string base = fake_.BaseUrl();
        return QString::fromStdString(base.substr(7, base.size() - 8)); // "127.0.0.1:port"
    }

    QTemporaryDir docs_;
    FakeCloud fake_;
    CloudSink sink_;
};

TEST_F(CloudCoreTest, StartChecksSilentlyForANewerVersion) {
    auto core = StartCore(fake_.BaseUrl());
    ASSERT_NE(core->Cloud(), nullptr);
    ASSERT_TRUE(
        WaitFor([&] { return sink_.Has(QStringLiteral("newVersion:1.0.6|http://d/new")); }));
    EXPECT_EQ(fake_.Requests("api/version").size(), 1u);
    core->Shutdown();
    EXPECT_EQ(core->Cloud(), nullptr);
}

TEST_F(CloudCoreTest, TheProxySettingReachesTheClient) {
    auto core = StartCore("http://cloud.invalid/");
    core->SetProxy(Proxy());
    core->Cloud()->Version().CheckForUpdates(VersionCheck::kUpdateWindow);
    ASSERT_TRUE(
        WaitFor([&] { return sink_.Has(QStringLiteral("newVersion:1.0.6|http://d/new")); }));
    core.reset();

    // The next start reads the stored proxy and sends its first request through it.
    sink_.events.clear();
    core = StartCore("http://cloud.invalid/");
    ASSERT_TRUE(
        WaitFor([&] { return sink_.Has(QStringLiteral("newVersion:1.0.6|http://d/new")); }));
    EXPECT_EQ(fake_.Requests("api/version").size(), 2u);

    // An empty proxy means a direct connection, which cannot reach the invalid name: the
    // update window hears so.
    core->SetProxy(QString());
    sink_.events.clear();
    core->Cloud()->Version().CheckForUpdates(VersionCheck::kUpdateWindow);
    ASSERT_TRUE(WaitFor([&] { return !sink_.events.isEmpty(); }));
    EXPECT_EQ(sink_.events, QStringList{QStringLiteral("tip:") + CloudHost::NoServerNotice()});
    EXPECT_EQ(fake_.Requests("api/version").size(), 2u);
}

TEST_F(CloudCoreTest, ARegistrationIsRememberedForTheLoginForm) {
    auto core = StartCore(fake_.BaseUrl());
    AccountFlow& account = core->Cloud()->Account();
    account.RequestCodePicture(AccountFlow::kRegisterForm);
    ASSERT_TRUE(WaitFor([&] { return sink_.Has(QStringLiteral("picture:1")); }));
    account.Register(QStringLiteral("13912345678"), QStringLiteral("pass12"),
                     QStringLiteral("pass12"), QStringLiteral("1234"));
    ASSERT_TRUE(WaitFor([&] { return sink_.Has(QStringLiteral("result:1")); }));
    const RememberedPassword::Offer& offer = account.Remembered().Offered();
    EXPECT_EQ(offer.account, QStringLiteral("13912345678"));
    EXPECT_EQ(offer.digest, LoginDigest(QStringLiteral("13912345678"), QStringLiteral("pass12")));
}

} // namespace
} // namespace tamberlink::test
