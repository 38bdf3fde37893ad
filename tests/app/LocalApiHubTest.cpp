#include "CoreTestSupport.h"

#include "../device/BoxSim.h"
#include "../store/StoreTestSupport.h"
#include "app/AppCore.h"
#include "app/DeviceBridge.h"
#include "app/LocalApiHub.h"
#include "app/SmsRequest.h"

#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

namespace tamberlink {
namespace {

using test::BoxSim;
using test::BuiltDataFolder;
using test::FakeBox;
using test::RawDb;
using test::RecordingSink;
using test::WaitUntil;

class LocalApiHubTest : public ::testing::Test {
protected:
    void StartCore(std::uint16_t port = 0) {
        AppConfig config = test::TestConfig(docs_.path(), BuiltDataFolder());
        config.localApiPort = port;
        core_ = std::make_unique<AppCore>(config, sink_);
        ASSERT_TRUE(core_->Start());
    }

    // Asks the core's API with curl while the UI thread goes on serving; returns the body.
    std::string Curl(const std::string& pathAndQuery, const QStringList& extra = {}) {
        QProcess curl;
        curl.start("curl", QStringList{"-s", "-g", "--noproxy", "*", "--max-time", "30"} + extra +
                               QStringList{QString::fromStdString(
                                   "http://127.0.0.1:" + std::to_string(core_->LocalApiPort()) +
                                   pathAndQuery)});
        EXPECT_TRUE(WaitUntil([&] { return curl.state() == QProcess::NotRunning; }, 60000));
        return curl.readAllStandardOutput().toStdString();
    }

    std::string Rows(const std::string& sql) {
        return RawDb(docs_.filePath("Tamberlink/Data/Tamberlink.db")).Rows(sql);
    }

    int argc_ = 1;
    char arg0_[8] = "test";
    char* argv_[1] = {arg0_};
    QCoreApplication app_{argc_, argv_};
    QTemporaryDir docs_;
    RecordingSink sink_;
    std::unique_ptr<AppCore> core_;
};

TEST_F(LocalApiHubTest, SmsDataIsTakenOnlyWhenWellFormedAndItsCountMatches) {
    const auto data = SmsRequest::Parse(
        R"({"size":3,"list":[{"number":"13800000000"},{"number":800},{"number":"020-1"}],)"
        R"("content":"明天见 ok"})");
    ASSERT_TRUE(data.has_value());
    EXPECT_EQ(data->numbers, QStringList({"13800000000", "800", "020-1"}));
    EXPECT_EQ(data->content, QStringLiteral("明天见 ok"));

    const char* refused[] = {
        R"({"size":2,"list":[{"number":"1"},{"number":"2"},{"number":"3"}],"content":"x"})",
        R"({"size":"1","list":[{"number":"1"}],"content":"x"})",
        R"({"size":1.5,"list":[{"number":"1"}],"content":"x"})",
        R"({"list":[{"number":"1"}],"content":"x"})",
        R"({"size":0,"list":[],"content":"x"})",
        R"({"size":1,"list":{"number":"1"},"content":"x"})",
        R"({"size":1,"list":[{"phone":"1"}],"content":"x"})",
        R"({"size":1,"list":["1"],"content":"x"})",
        R"({"size":1,"list":[{"number":1.5}],"content":"x"})",
        R"({"size":1,"list":[{"number":null}],"content":"x"})",
        R"({"size":1,"list":[{"number":"1"}]})",
        R"({"size":1,"list":[{"number":"1"}],"content":7})",
        R"([{"size":1}])",
        R"({"size":1,"list":[{"number":"1"}],"content":"x")",
        "",
        "size=1",
        // Found by fuzzing: each of these made the JSON reader throw.
        R"({"size":1e19,"list":[{"number":"1"}],"content":"x"})",
        R"({"size":18446744073709551615,"list":[{"number":"1"}],"content":"x"})",
        R"({"size":1,"list":[{"number":1e20}],"content":"x"})",
    };
    for (const char* json : refused) {
        EXPECT_FALSE(SmsRequest::Parse(json).has_value()) << json;
    }
    EXPECT_FALSE(SmsRequest::Parse(std::string(1001, '[') + std::string(1001, ']')).has_value());

    // Whole numbers beyond the signed range are numbers all the same.
    const auto big = SmsRequest::Parse(
        R"({"size":2,"list":[{"number":18446744073709551615},{"number":1e19}],"content":"x"})");
    ASSERT_TRUE(big.has_value());
    EXPECT_EQ(big->numbers, QStringList({"18446744073709551615", "10000000000000000000"}));
}

TEST_F(LocalApiHubTest, RecordRequestsReachTheBoxAndTheSettings) {
    StartCore();
    FakeBox box;
    core_->AttachBoxLink(&box);

    Curl("/api/record?cmd=control&value=start");
    Curl("/api/record?cmd=control&value=stop");
    Curl("/api/record?cmd=mode&value=auto");
    EXPECT_EQ(core_->Settings().AutoAdmin(), 1);
    EXPECT_EQ(Rows("select value2 from table_setting where name='auto_admin'"), "1");
    Curl("/api/record?cmd=mode&value=hand");
    EXPECT_EQ(core_->Settings().AutoAdmin(), 0);
    Curl("/api/record?cmd=mode&value=other");
    Curl("/api/record?cmd=control&value=pause");
    EXPECT_EQ(box.frames, (std::vector<QByteArray>{"A5 A0 04 55", "A5 A1 04 55", "A5 A2 04 55",
                                                   "A5 A3 04 55"}));

    // Without the box a start is refused with a notice; a stop is written all the same.
    box.connected = false;
    box.frames.clear();
    Curl("/api/record?cmd=control&value=start");
    Curl("/api/record?cmd=control&value=stop");
    EXPECT_EQ(box.frames, std::vector<QByteArray>{"A5 A1 04 55"});
    EXPECT_TRUE(WaitUntil(
        [&] { return sink_.Events().contains(QStringLiteral("tip:请先连接设备后再开始录音")); }));
    EXPECT_TRUE(sink_.AllOnUiThread());
}

TEST_F(LocalApiHubTest, DialsSmsAndRecordingReachTheVirtualBox) {
    BoxSim box;
    ASSERT_TRUE(box.Running());
    StartCore();
    ASSERT_TRUE(core_->StartDeviceLink(QString::fromStdString(box.PortPath())));
    ASSERT_TRUE(WaitUntil([&] { return core_->IsBoxConnected(); }));

    core_->SetAreaCode(QStringLiteral("020"));
    Curl("/api/call?type=tel&number=88290291&guid=abc");
    EXPECT_TRUE(box.WaitForLine("hangup"));
    EXPECT_TRUE(box.WaitForLine("dial-landline 0 88290291"));
    EXPECT_TRUE(
        WaitUntil([&] { return Rows("select phone,type from table_log") == "88290291|4"; }));

    Curl("/api/call?type=mobile&number=13800000000");
    EXPECT_TRUE(box.WaitForLine("dial-phone 13800000000"));
    EXPECT_TRUE(WaitUntil([&] {
        return Rows("select count(*) from table_log where phone='13800000000' and type=2") == "1";
    }));

    // Data nested past the JSON reader's depth, and a count that does not match the list,
    // send nothing; the request after them goes out, and the box takes the two in order.
    Curl("/api/sms", {"--data-binary", QString::fromStdString("data=" + std::string(1001, '['))});
    Curl("/api/sms", {"--data-binary", R"(data={"size":2,"list":[{"number":"1"},{"number":"2"},)"
                                       R"({"number":"3"}],"content":"bad"})"});
    Curl("/api/sms", {"--data-binary",
                      R"(data={"size":1,"list":[{"number":"13900000000"}],"content":"good"})"});
    EXPECT_TRUE(box.WaitForLine("sms 13900000000 good"));
    EXPECT_EQ(box.LinesStartingWith("sms-number"),
              std::vector<std::string>{"sms-number 13900000000"});

    // An accepted stop is answered with this text, and the box hears the stop.
    EXPECT_EQ(
        Curl("/api/record?cmd=control&value=stop"),
        "{\"code\":0, \"msg\":\xC9\xE8\xD6\xC3\xC2\xBC\xD2\xF4\xCA\xA7\xB0\xDC\xA3\xAC\xC2\xBC"
        "\xD2\xF4\xCD\xA3\xD6\xB9}");
    EXPECT_TRUE(box.WaitForLine("rx A5 A1 04 55"));
    EXPECT_TRUE(box.WaitForLine("record-stop-request"));
}

// Node's fetch writes its header names in lower case and keeps its connection open.
TEST_F(LocalApiHubTest, NodeFetchPostsAnSmsThatReachesTheBox) {
    BoxSim box;
    ASSERT_TRUE(box.Running());
    StartCore();
    ASSERT_TRUE(core_->StartDeviceLink(QString::fromStdString(box.PortPath())));
    ASSERT_TRUE(WaitUntil([&] { return core_->IsBoxConnected(); }));
    ASSERT_TRUE(WaitUntil([&] { return core_->Device().Link().IsPhoneLinked(); }));

    const char* script = R"(
const [port, data] = process.argv.slice(1);
const reply = await fetch(`http://127.0.0.1:${port}/api/sms`, {
    method: 'POST',
    headers: {'content-type': 'application/x-www-form-urlencoded'},
    body: 'data=' + data,
});
const body = Buffer.from(await reply.arrayBuffer());
process.stdout.write(`${reply.status}|${reply.headers.get('content-type')}|` +
                     `${reply.headers.get('content-length')}|`);
process.stdout.write(body);
)";
    QProcess node;
    node.start("node", {"--input-type=module", "-e", script, QString::number(core_->LocalApiPort()),
                        R"({"size":1,"list":[{"number":"13900000000"}],"content":"from node"})"});
    ASSERT_TRUE(WaitUntil([&] { return node.state() == QProcess::NotRunning; }, 60000));
    EXPECT_EQ(node.exitCode(), 0) << node.readAllStandardError().toStdString();
    // {"code":0, "msg":短信发送请求已受理} in GBK.
    const std::string body = "{\"code\":0, \"msg\":\xB6\xCC\xD0\xC5\xB7\xA2\xCB\xCD\xC7\xEB\xC7"
                             "\xF3\xD2\xD1\xCA\xDC\xC0\xED}";
    EXPECT_EQ(node.readAllStandardOutput().toStdString(),
              "200|application/json;charset=gbk|" + std::to_string(body.size()) + "|" + body);
    EXPECT_TRUE(box.WaitForLine("sms 13900000000 from node"));
}

TEST_F(LocalApiHubTest, ShutdownReleasesARequestWaitingForTheUiThread) {
    StartCore();
    QProcess curl;
    curl.start("curl", {"-s", "--noproxy", "*", "--max-time", "30",
                        QStringLiteral("http://127.0.0.1:%1/api/record?cmd=mode&value=auto")
                            .arg(core_->LocalApiPort())});
    // The UI thread serves nothing here: the request waits for it until shutdown.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const auto start = std::chrono::steady_clock::now();
    core_->Shutdown();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(4));
    EXPECT_TRUE(curl.waitForFinished(30000));
    EXPECT_EQ(core_->Settings().AutoAdmin(), 0);
    EXPECT_EQ(core_->LocalApiPort(), 0);
}

TEST_F(LocalApiHubTest, APortTakenByAnotherProgramLeavesTheCoreRunning) {
    StartCore();
    QTemporaryDir otherDocs;
    AppConfig config = test::TestConfig(otherDocs.path(), BuiltDataFolder());
    config.localApiPort = core_->LocalApiPort();
    AppCore other(config, sink_);
    ASSERT_TRUE(other.Start());
    EXPECT_EQ(other.LocalApiPort(), 0);
    EXPECT_TRUE(other.AddCallLog(QStringLiteral("800"), {}, {}, 4));
}

} // namespace
} // namespace tamberlink
