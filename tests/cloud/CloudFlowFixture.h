#pragma once

#include "cloud/CloudClient.h"
#include "cloud/CloudFlows.h"
#include "store/AttributionDatabase.h"
#include "store/LocalDatabase.h"

#include "../store/StoreTestSupport.h"
#include "CloudSink.h"
#include "FakeCloud.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace tamberlink::test {

// The cloud flows over a real client, the fake service and a copy of the seed database.
class CloudFlowTest : public ::testing::Test {
public:
    static constexpr const char* kAccount = "13800138000";
    static constexpr const char* kPassword = "secret1";

protected:
    void SetUp() override {
        EnsureApplication();
        ASSERT_TRUE(root_.isValid());
        ASSERT_TRUE(fake_.Start());
        dataRoot_ = root_.filePath(QStringLiteral("Tamberlink"));
        ASSERT_TRUE(QDir().mkpath(dataRoot_));
        ASSERT_TRUE(database_.Open(seed_.path()));
        ASSERT_TRUE(attribution_.Open(BuiltDataFile("MoblieAreacode.db")));
        database_.RunMigrations();
        client_ = std::make_unique<CloudClient>(fake_.BaseUrl(),
                                                root_.filePath(QStringLiteral("cookies")));
        flows_ = std::make_unique<CloudFlows>(*client_, database_, attribution_, sink_, dataRoot_);
    }

    void TearDown() override {
        client_->Stop();
        flows_.reset();
    }

    AccountFlow& Account() { return flows_->Account(); }

    bool WaitForEvent(const QString& event,
                      std::chrono::milliseconds limit = std::chrono::seconds(30)) {
        return WaitFor([&] { return sink_.Has(event); }, limit);
    }
    // Every flow ends in one notice: waits for it, then for the requests still in flight.
    // Waiting for idle alone is not enough: between one reply and the request it sends no
    // request is in flight.
    bool WaitForNotice(std::chrono::milliseconds limit = std::chrono::seconds(60)) {
        return WaitFor([&] { return !sink_.Starting(QStringLiteral("tip:")).isEmpty(); }, limit) &&
               WaitIdle();
    }
    // Waits until no request is in flight, then lets queued replies arrive.
    bool WaitIdle() {
        const bool idle = WaitFor([&] { return client_->RunningWorkers() == 0; });
        Settle(std::chrono::milliseconds(100));
        return idle;
    }

    // Signs in through the real login: picture code, then the hashed password.
    void LogIn() {
        fake_.AddUser(kAccount, kPassword);
        Account().RequestCodePicture(AccountFlow::kLoginForm);
        ASSERT_TRUE(WaitForEvent(QStringLiteral("picture:0")));
        Account().Login(QString::fromLatin1(kAccount), QString::fromLatin1(kPassword),
                        QStringLiteral("1234"), true);
        ASSERT_TRUE(WaitForEvent(QStringLiteral("result:0")));
        sink_.events.clear();
    }

    // Stores contacts (name, phone) straight into table_contact.
    void AddLocalContacts(int count, const std::string& namePrefix = "联系人") {
        RawDb raw(seed_.path());
        raw.Exec("begin");
        for (int i = 0; i < count; ++i) {
            raw.Exec("insert into table_contact(name, phone, head, email, company, home, other, "
                     "cid, datetime, attribution, nameindex) values('" +
                     namePrefix + std::to_string(i) + "', '139" + std::to_string(10000000 + i) +
                     "', '', 'e@x', 'c', 'h', 'o', 'old-cid', '2016-01-01', '', '')");
        }
        raw.Exec("commit");
    }

    std::string Contacts() { return RawDb(seed_.path()).Rows("select * from table_contact"); }

    QTemporaryDir root_;
    FakeCloud fake_;
    SeedCopy seed_;
    QString dataRoot_;
    LocalDatabase database_;
    AttributionDatabase attribution_;
    CloudSink sink_;
    std::unique_ptr<CloudClient> client_;
    std::unique_ptr<CloudFlows> flows_;
};

} // namespace tamberlink::test
