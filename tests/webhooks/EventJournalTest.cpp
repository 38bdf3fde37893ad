// The call events kept in the database: a stream client that comes back after a restart
// gets what it missed, and a ringing call reaches a webhook with one call id throughout.
#include "WebhookReceiver.h"

#include "../app/CoreTestSupport.h"
#include "../device/BoxSim.h"
#include "../store/StoreTestSupport.h"
#include "app/AppCore.h"
#include "app/DeviceBridge.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace tamberlink {
namespace {

using test::BuiltDataFolder;
using test::WaitUntil;

class EventJournalTest : public ::testing::Test {
protected:
    void StartCore(WebhookService::Options options = {}) {
        AppConfig config = test::TestConfig(docs_.path(), BuiltDataFolder());
        config.webhooks = std::move(options);
        core_ = std::make_unique<AppCore>(std::move(config), sink_);
        ASSERT_TRUE(core_->Start());
    }
    // Runs curl on the stream with `lastId` (none when empty) until `events` ids have come;
    // returns the ids and event names it printed, "ID:NAME".
    QStringList Follow(const QString& lastId, int events) {
        QProcess curl;
        QStringList arguments = {"-N", "-s", "--noproxy", "*", "--max-time", "30"};
        if (!lastId.isEmpty()) {
            arguments << "-H" << QStringLiteral("Last-Event-ID: ") + lastId;
        }
        curl.start("curl", arguments << QStringLiteral("http://127.0.0.1:%1/api/events")
                                            .arg(core_->LocalApiPort()));
        QStringList seen;
        QByteArray output;
        WaitUntil([&] {
            output += curl.readAllStandardOutput();
            static const QRegularExpression event(QStringLiteral("id: (\\d+)\nevent: (\\S+)\n"));
            seen.clear();
            for (auto it = event.globalMatch(QString::fromUtf8(output)); it.hasNext();) {
                const QRegularExpressionMatch match = it.next();
                seen << match.captured(1) + u':' + match.captured(2);
            }
            return seen.size() >= events;
        });
        curl.kill();
        curl.waitForFinished();
        return seen;
    }

    int argc_ = 1;
    char arg0_[8] = "test";
    char* argv_[1] = {arg0_};
    QCoreApplication app_{argc_, argv_};
    QTemporaryDir docs_;
    test::RecordingSink sink_;
    std::unique_ptr<AppCore> core_;
};

TEST_F(EventJournalTest, AClientBackAfterARestartGetsExactlyWhatItMissedAndAStaleOneAReset) {
    WebhookService::Options options;
    options.keepEventCount = 6;
    StartCore(options);
    CallEventFeed& feed = core_->Feed();
    feed.Device(true, false);
    feed.Ended();
    const QStringList first = Follow(QStringLiteral("0"), 2);
    ASSERT_EQ(first, (QStringList{"1:device", "2:ended"}));

    // Away while the program runs on, stops and starts again.
    feed.Device(true, true);
    feed.SmsSent({QStringLiteral("13800000000")}, 5);
    core_.reset();
    StartCore(options);
    core_->Feed().Ended();
    EXPECT_EQ(Follow(QStringLiteral("2"), 3), (QStringList{"3:device", "4:sms-sent", "5:ended"}));

    // Ids go on; the oldest are pruned beyond what is kept, and a client from before them is
    // told so, then follows the live stream.
    for (int i = 0; i < 4; ++i) {
        core_->Feed().Ended();
    }
    core_.reset();
    StartCore(options);
    core_->Feed().Ended();
    core_->Feed().Ended(); // the first write after a start prunes
    ASSERT_TRUE(WaitUntil([&] { return core_->Webhooks().PendingEvents() == 0; }));
    EXPECT_EQ(Follow(QStringLiteral("1"), 1), (QStringList{"11:reset"}));
    EXPECT_EQ(Follow(QStringLiteral("6"), 5),
              (QStringList{"7:ended", "8:ended", "9:ended", "10:ended", "11:ended"}));
}

TEST_F(EventJournalTest, ADatabaseThatRefusesWritesLeavesTheStreamLiveWithOneNotice) {
    StartCore();
    core_->Feed().Ended();
    ASSERT_TRUE(WaitUntil([&] { return core_->Webhooks().PendingEvents() == 0; }));
    // Another program holds the database's write lock past the wait for it.
    test::RawDb other(docs_.filePath(QStringLiteral("Tamberlink/Data/Tamberlink.db")));
    other.Exec("begin exclusive");
    for (int i = 0; i < 2; ++i) {
        core_->Feed().Ended();
        ASSERT_TRUE(WaitUntil([&] { return core_->Webhooks().PendingEvents() == 0; }));
    }
    EXPECT_EQ(Follow(QStringLiteral("1"), 2), (QStringList{"2:ended", "3:ended"}));
    other.Exec("commit");
    core_->Feed().Ended();
    ASSERT_TRUE(WaitUntil([&] { return core_->Webhooks().PendingEvents() == 0; }));
    WaitUntil([] { return false; }, 200);
    const QStringList notices = sink_.Events().filter(QStringLiteral("无法写入数据库"));
    ASSERT_EQ(notices.size(), 1) << sink_.Events().join(u'\n').toStdString();
    EXPECT_TRUE(notices.front().contains(QStringLiteral("locked")))
        << notices.front().toStdString();
    EXPECT_EQ(other.Rows("select group_concat(id) from table_event"), "1,4");
}

TEST_F(EventJournalTest, ACallOnTheBoxReachesTheNodeReceiverUnderOneCallId) {
    test::BoxSim box;
    ASSERT_TRUE(box.Running());
    test::WebhookReceiver receiver;
    StartCore();
    const WebhookService::Added added = core_->Webhooks().AddEndpoint(
        receiver.Url(QStringLiteral("/calls")),
        {QStringLiteral("incoming"), QStringLiteral("answered"), QStringLiteral("ended")});
    ASSERT_EQ(added.error, QString());
    receiver.Secret(QStringLiteral("*"), added.secret);
    ASSERT_TRUE(core_->StartDeviceLink(QString::fromStdString(box.PortPath())));
    ASSERT_TRUE(WaitUntil([&] { return core_->IsBoxConnected(); }));

    for (const char* number : {"13800000000", "13900000000"}) {
        ASSERT_EQ(box.Command(std::string("ring ") + number), "ok");
        ASSERT_EQ(box.Command("state 12"), "ok");
        ASSERT_EQ(box.Command("state 14"), "ok");
    }
    ASSERT_TRUE(receiver.WaitForDeliveries(6));
    const std::vector<test::Delivery> deliveries = receiver.Deliveries();
    QStringList types;
    for (const test::Delivery& delivery : deliveries) {
        EXPECT_TRUE(delivery.verified) << delivery.error.toStdString();
        types << delivery.body.value(QStringLiteral("type")).toString();
    }
    EXPECT_EQ(types,
              (QStringList{"incoming", "answered", "ended", "incoming", "answered", "ended"}));
    const auto data = [&](std::size_t i) {
        return deliveries[i].body.value(QStringLiteral("data")).toObject();
    };
    const QString call = data(0).value(QStringLiteral("call_id")).toString();
    EXPECT_TRUE(call.startsWith(QStringLiteral("call_")));
    EXPECT_EQ(data(0).value(QStringLiteral("from")).toString(), QStringLiteral("13800000000"));
    EXPECT_EQ(data(1).value(QStringLiteral("call_id")).toString(), call);
    EXPECT_EQ(data(2).value(QStringLiteral("call_id")).toString(), call);
    EXPECT_TRUE(data(2).value(QStringLiteral("answered")).toBool());
    EXPECT_GE(data(2).value(QStringLiteral("duration")).toDouble(), 0.0);
    EXPECT_NE(data(3).value(QStringLiteral("call_id")).toString(), call);
    EXPECT_EQ(data(5).value(QStringLiteral("call_id")).toString(),
              data(3).value(QStringLiteral("call_id")).toString());
}

} // namespace
} // namespace tamberlink
