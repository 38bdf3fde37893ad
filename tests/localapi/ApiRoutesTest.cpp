#include "ApiTestSupport.h"

#include "localapi/CHttpParser.h"
#include "localapi/LocalApi.h"

#include <gtest/gtest.h>

#include <atomic>
#include <optional>
#include <set>
#include <thread>

namespace tamberlink {
namespace {

using namespace test;
using Kind = LocalApiRequest::Kind;
using Taken = std::optional<LocalApiRequest>;

constexpr std::string_view kHtml = "text/html;charset=gbk";
constexpr std::string_view kJson = "application/json;charset=gbk";

std::string Body(int code, std::string_view message) {
    return "{\"code\":" + std::to_string(code) + ", \"msg\":" + Gbk(message) + "}";
}

// One exchange: the device state, curl's arguments, the body and type of the reply, and
// what must reach the core.
struct Row {
    bool connected;
    bool linked;
    QStringList curl;
    std::string body;
    std::string_view type;
    Taken taken;
};

class ApiRoutesTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(api_.StartServer(0)); }

    QString Url(const std::string& pathAndQuery) const {
        return QString::fromStdString("http://127.0.0.1:" + std::to_string(api_.Port()) +
                                      pathAndQuery);
    }

    // Checks the whole reply, byte for byte, and what reached the core.
    void Expect(const Row& row) {
        const std::string what = row.curl.join(' ').toStdString();
        host_.connected = row.connected;
        host_.linked = row.linked;
        host_.Clear();
        const CurlResult result = RunCurl(row.curl);
        EXPECT_EQ(result.exitCode, 0) << what;
        EXPECT_EQ(result.output, ReplyOf(row.body, row.type)) << what;
        const std::vector<LocalApiRequest> taken = host_.Taken();
        ASSERT_EQ(taken.size(), row.taken ? 1u : 0u) << what;
        if (row.taken) {
            EXPECT_EQ(taken[0].kind, row.taken->kind) << what;
            EXPECT_EQ(taken[0].first, row.taken->first) << what;
            EXPECT_EQ(taken[0].second, row.taken->second) << what;
        }
    }

    FakeHost host_;
    LocalApi api_{host_};
};

TEST_F(ApiRoutesTest, CallAnswersEveryRowOfItsTable) {
    const auto call = [&](const std::string& query) {
        return QStringList{Url("/api/call?" + query)};
    };
    const std::string mobile = "type=mobile&number=13800000000";
    const Row rows[] = {
        {true, false, call("type=tel&number=800&guid=g1"), Body(0, "固话拨号成功"), kHtml,
         LocalApiRequest{Kind::LandlineDial, "800", "g1"}},
        {false, true, call("type=tel&number=800"), Body(0, "固话拨号失败，盒子未连接"), kHtml, {}},
        {true, true, call("type=TEL&number=123"), Body(0, "拨号失败，未知的拨号方式"), kHtml, {}},
        {true, true, call("number=123"), Body(0, "拨号失败，未知的拨号方式"), kHtml, {}},
        {false, false, call(mobile), Body(0, "手机拨号失败，盒子未连接"), kHtml, {}},
        {true, true, call(mobile + "&guid=x"), Body(0, "手机拨号成功"), kHtml,
         LocalApiRequest{Kind::PhoneDial, "13800000000", "x"}},
        {true,
         false,
         call(mobile),
         Body(0, "手机拨号失败，手机未连接到Tamberlink拨号盒"),
         kHtml,
         {}},
        // An empty number wins over every other row.
        {true,
         true,
         call("type=tel&number=&guid=x"),
         Body(-1, "拨号失败，号码不能为空"),
         kHtml,
         {}},
        {false, false, call("type=other"), Body(-1, "拨号失败，号码不能为空"), kHtml, {}},
    };
    for (const Row& row : rows) {
        Expect(row);
    }
}

TEST_F(ApiRoutesTest, SmsAnswersEveryRowAndPassesDataWhateverTheDevice) {
    const std::string data = R"({"size":1,"list":[{"number":"13800000000"}],"content":"hi"})";
    const auto sms = [&](const std::string& body) {
        return QStringList{"--data-binary", QString::fromStdString(body), Url("/api/sms")};
    };
    const LocalApiRequest taken{Kind::Sms, data, ""};
    const Row rows[] = {
        {false, false, sms("data=" + data), Body(0, "短信发送失败，盒子未连接"), kJson, taken},
        {true, false, sms("data=" + data), Body(0, "短信发送失败，手机未连接到Tamberlink拨号盒"),
         kJson, taken},
        {true, true, sms("data=" + data), Body(0, "短信发送请求已受理"), kJson, taken},
        // Missing data wins over the device rows.
        {false, false, sms("data="), Body(0, "短信发送失败，请求数据不能为空"), kJson, {}},
        {true, true, {Url("/api/sms")}, Body(0, "短信发送失败，请求数据不能为空"), kJson, {}},
    };
    for (const Row& row : rows) {
        Expect(row);
    }
}

TEST_F(ApiRoutesTest, RecordAnswersEveryRowWithoutLookingAtTheDevice) {
    const auto record = [&](const std::string& query) {
        return QStringList{Url("/api/record?" + query)};
    };
    const Row rows[] = {
        {false, false, record("cmd=mode&value=auto"), Body(0, "设置录音模式成功，自动录音状态"),
         kJson, LocalApiRequest{Kind::RecordMode, "auto", ""}},
        {false, false, record("cmd=mode&value=hand"), Body(0, "设置录音模式成功，非自动录音状态"),
         kJson, LocalApiRequest{Kind::RecordMode, "hand", ""}},
        {false,
         false,
         record("cmd=mode&value=AUTO"),
         Body(0, "设置自动录音失败，未知的设置方式"),
         kJson,
         {}},
        {false, false, record("cmd=control&value=start"), Body(0, "设置录音成功，录音开始"), kJson,
         LocalApiRequest{Kind::RecordControl, "start", ""}},
        {false, false, record("cmd=control&value=stop"), Body(0, "设置录音失败，录音停止"), kJson,
         LocalApiRequest{Kind::RecordControl, "stop", ""}},
        {false,
         false,
         record("cmd=control&value=pause"),
         Body(0, "录音失败，未知的录音方式"),
         kJson,
         {}},
        {false,
         false,
         record("cmd=Mode&value=auto"),
         Body(0, "设置录音失败，未知的设置方式"),
         kJson,
         {}},
    };
    for (const Row& row : rows) {
        Expect(row);
    }
}

TEST_F(ApiRoutesTest, ValuesArriveUndecodedQueriesWinAndLongValuesAreRefusedWhole) {
    const std::string longest(IRequest::kMaxParamLength, '7');
    const Row rows[] = {
        {true,
         true,
         {Url("/api/call?type=tel&number=a%20b+c")},
         Body(0, "固话拨号成功"),
         kHtml,
         LocalApiRequest{Kind::LandlineDial, "a%20b+c", ""}},
        {true,
         true,
         {"--data-binary", "cmd=control&value=stop", Url("/api/record?cmd=mode&value=hand")},
         Body(0, "设置录音模式成功，非自动录音状态"),
         kJson,
         LocalApiRequest{Kind::RecordMode, "hand", ""}},
        {true,
         true,
         {"--data-binary", "type=mobile&number=139", Url("/api/call")},
         Body(0, "手机拨号成功"),
         kHtml,
         LocalApiRequest{Kind::PhoneDial, "139", ""}},
        {true,
         true,
         {Url("/api/call?type=tel&number=" + longest)},
         Body(0, "固话拨号成功"),
         kHtml,
         LocalApiRequest{Kind::LandlineDial, longest, ""}},
        {true,
         true,
         {Url("/api/call?type=tel&number=" + longest + "7")},
         Body(-1, "拨号失败，号码不能为空"),
         kHtml,
         {}},
    };
    for (const Row& row : rows) {
        Expect(row);
    }
}

TEST_F(ApiRoutesTest, RequestsTheApiDoesNotServeGetNoReply) {
    host_.connected = true;
    host_.linked = true;
    // curl reports an empty reply (exit code 52) when the server closes without a word.
    const QStringList noReply[] = {
        {Url("/api/other?type=tel&number=1")},
        {Url("/api/Call?type=tel&number=1")},
        {"-H", "Host: evil.example", Url("/api/call?type=tel&number=1")},
        {"-H", "Host: evil.example:9123", Url("/api/record?cmd=control&value=start")},
        {"-X", "PUT", Url("/api/call?type=tel&number=1")},
    };
    for (const QStringList& arguments : noReply) {
        const CurlResult result = RunCurl(arguments);
        EXPECT_EQ(result.exitCode, 52) << arguments.join(' ').toStdString();
        EXPECT_TRUE(result.output.empty()) << arguments.join(' ').toStdString();
    }

    // What curl cannot say: an apostrophe, a POST whose body has not all arrived when the
    // client is done sending, no end of head, junk, requests beyond the bound.
    const std::string rawNoReply[] = {
        "GET /api/call?type=tel&number=1'2 HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n",
        "POST /api/call HTTP/1.1\r\nHost: localhost\r\nContent-Length: 30\r\n\r\ntype=tel",
        "GET /api/call?type=tel&number=12 HTTP/1.1\r\nHost: localhost\r\n",
        std::string("\x16\x03\x01\x02\x00\x01\x00\x01\xfc\x03\x03\r\n\r\n\0\0", 17),
        "GET /api/call?type=tel&number=12 HTTP/1.1\r\nX: " +
            std::string(CHttpParser::kMaxRequest, 'X') + "\r\n\r\n",
        "GET /api/call?number=" + std::string(33 * 1024, '1') + " HTTP/1.1\r\n\r\n",
    };
    for (const std::string& request : rawNoReply) {
        const Received received = Exchange(api_.Port(), request);
        EXPECT_TRUE(received.closed) << request.substr(0, 80);
        EXPECT_TRUE(received.bytes.empty()) << request.substr(0, 80);
    }
    EXPECT_TRUE(host_.Taken().empty());

    // Requests naming the loopback, or no host at all, are served; so is the next client.
    for (const std::string host : {"", "Host: localhost\r\n", "Host: LOCALHOST:9123\r\n"}) {
        const Received received =
            Exchange(api_.Port(), "GET /api/record?cmd=x HTTP/1.0\r\n" + host + "\r\n");
        EXPECT_EQ(received.bytes, ReplyOf(Body(0, "设置录音失败，未知的设置方式"), kJson)) << host;
    }
}

TEST_F(ApiRoutesTest, ConcurrentRequestsKeepTheirOwnParameters) {
    host_.connected = true;
    host_.linked = true;
    constexpr int kClients = 8;
    constexpr int kEach = 40;
    const std::string reply = ReplyOf(Body(0, "手机拨号成功"), kHtml);
    std::atomic<int> answered{0};
    std::vector<std::thread> clients;
    for (int c = 0; c < kClients; ++c) {
        clients.emplace_back([&, c] {
            for (int i = 0; i < kEach; ++i) {
                const std::string number = std::to_string(100000 + c * 1000 + i);
                answered += Exchange(api_.Port(), "GET /api/call?type=mobile&number=" + number +
                                                      "&guid=g" + number + " HTTP/1.1\r\n\r\n")
                                .bytes == reply;
            }
        });
    }
    for (std::thread& client : clients) {
        client.join();
    }
    EXPECT_EQ(answered, kClients * kEach);
    std::set<std::string> numbers;
    for (const LocalApiRequest& request : host_.Taken()) {
        EXPECT_EQ(request.second, "g" + request.first);
        numbers.insert(request.first);
    }
    EXPECT_EQ(numbers.size(), std::size_t{kClients * kEach});
}

} // namespace
} // namespace tamberlink
