#include "ApiTestSupport.h"

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

// The reply texts as GBK bytes (encoded independently of the program's converter).
namespace gbk {
const std::string kTelDialed = "\xB9\xCC\xBB\xB0\xB2\xA6\xBA\xC5\xB3\xC9\xB9\xA6";
const std::string kTelNoBox =
    "\xB9\xCC\xBB\xB0\xB2\xA6\xBA\xC5\xCA\xA7\xB0\xDC\xA3\xAC\xBA\xD0\xD7\xD3\xCE\xB4\xC1\xAC"
    "\xBD\xD3";
const std::string kUnknownType =
    "\xB2\xA6\xBA\xC5\xCA\xA7\xB0\xDC\xA3\xAC\xCE\xB4\xD6\xAA\xB5\xC4\xB2\xA6\xBA\xC5\xB7\xBD"
    "\xCA\xBD";
const std::string kMobileNoBox =
    "\xCA\xD6\xBB\xFA\xB2\xA6\xBA\xC5\xCA\xA7\xB0\xDC\xA3\xAC\xBA\xD0\xD7\xD3\xCE\xB4\xC1\xAC"
    "\xBD\xD3";
const std::string kMobileDialed = "\xCA\xD6\xBB\xFA\xB2\xA6\xBA\xC5\xB3\xC9\xB9\xA6";
const std::string kMobileNoPhone =
    "\xCA\xD6\xBB\xFA\xB2\xA6\xBA\xC5\xCA\xA7\xB0\xDC\xA3\xAC\xCA\xD6\xBB\xFA\xCE\xB4\xC1\xAC"
    "\xBD\xD3\xB5\xBD"
    "Tamberlink"
    "\xB2\xA6\xBA\xC5\xBA\xD0";
const std::string kEmptyNumber =
    "\xB2\xA6\xBA\xC5\xCA\xA7\xB0\xDC\xA3\xAC\xBA\xC5\xC2\xEB\xB2\xBB\xC4\xDC\xCE\xAA\xBF\xD5";
const std::string kSmsNoBox =
    "\xB6\xCC\xD0\xC5\xB7\xA2\xCB\xCD\xCA\xA7\xB0\xDC\xA3\xAC\xBA\xD0\xD7\xD3\xCE\xB4\xC1\xAC"
    "\xBD\xD3";
const std::string kSmsNoPhone =
    "\xB6\xCC\xD0\xC5\xB7\xA2\xCB\xCD\xCA\xA7\xB0\xDC\xA3\xAC\xCA\xD6\xBB\xFA\xCE\xB4\xC1\xAC"
    "\xBD\xD3\xB5\xBD"
    "Tamberlink"
    "\xB2\xA6\xBA\xC5\xBA\xD0";
const std::string kSmsEmptyData =
    "\xB6\xCC\xD0\xC5\xB7\xA2\xCB\xCD\xCA\xA7\xB0\xDC\xA3\xAC\xC7\xEB\xC7\xF3\xCA\xFD\xBE\xDD"
    "\xB2\xBB\xC4\xDC\xCE\xAA\xBF\xD5";
const std::string kSmsAccepted =
    "\xB6\xCC\xD0\xC5\xB7\xA2\xCB\xCD\xC7\xEB\xC7\xF3\xD2\xD1\xCA\xDC\xC0\xED";
const std::string kModeAuto =
    "\xC9\xE8\xD6\xC3\xC2\xBC\xD2\xF4\xC4\xA3\xCA\xBD\xB3\xC9\xB9\xA6\xA3\xAC\xD7\xD4\xB6\xAF"
    "\xC2\xBC\xD2\xF4\xD7\xB4\xCC\xAC";
const std::string kModeHand =
    "\xC9\xE8\xD6\xC3\xC2\xBC\xD2\xF4\xC4\xA3\xCA\xBD\xB3\xC9\xB9\xA6\xA3\xAC\xB7\xC7\xD7\xD4"
    "\xB6\xAF\xC2\xBC\xD2\xF4\xD7\xB4\xCC\xAC";
const std::string kModeUnknown =
    "\xC9\xE8\xD6\xC3\xD7\xD4\xB6\xAF\xC2\xBC\xD2\xF4\xCA\xA7\xB0\xDC\xA3\xAC\xCE\xB4\xD6\xAA"
    "\xB5\xC4\xC9\xE8\xD6\xC3\xB7\xBD\xCA\xBD";
const std::string kRecordStarted =
    "\xC9\xE8\xD6\xC3\xC2\xBC\xD2\xF4\xB3\xC9\xB9\xA6\xA3\xAC\xC2\xBC\xD2\xF4\xBF\xAA\xCA\xBC";
const std::string kRecordStopped =
    "\xC9\xE8\xD6\xC3\xC2\xBC\xD2\xF4\xCA\xA7\xB0\xDC\xA3\xAC\xC2\xBC\xD2\xF4\xCD\xA3\xD6\xB9";
const std::string kControlUnknown =
    "\xC2\xBC\xD2\xF4\xCA\xA7\xB0\xDC\xA3\xAC\xCE\xB4\xD6\xAA\xB5\xC4\xC2\xBC\xD2\xF4\xB7\xBD"
    "\xCA\xBD";
const std::string kCmdUnknown =
    "\xC9\xE8\xD6\xC3\xC2\xBC\xD2\xF4\xCA\xA7\xB0\xDC\xA3\xAC\xCE\xB4\xD6\xAA\xB5\xC4\xC9\xE8"
    "\xD6\xC3\xB7\xBD\xCA\xBD";
} // namespace gbk

constexpr std::string_view kHtml = "text/html;charset=gbk";
constexpr std::string_view kJson = "application/json;charset=gbk";

std::string Body(int code, const std::string& message) {
    return "{\"code\":" + std::to_string(code) + ", \"msg\":" + message + "}";
}

struct Expected {
    std::string body;
    std::optional<LocalApiRequest> request;
};

class ApiRoutesTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(api_.StartServer(0));
        port_ = api_.Port();
        ASSERT_NE(port_, 0);
    }

    QString Url(const std::string& pathAndQuery) const {
        return QString::fromStdString("http://127.0.0.1:" + std::to_string(port_) + pathAndQuery);
    }

    // Runs curl with `arguments` and checks the whole reply and what reached the core.
    void ExpectExchange(const QStringList& arguments, std::string_view contentType,
                        const Expected& expected) {
        host_.Clear();
        const CurlResult result = RunCurl(arguments);
        EXPECT_EQ(result.exitCode, 0) << arguments.join(' ').toStdString();
        EXPECT_EQ(result.output, ReplyOf(expected.body, contentType))
            << arguments.join(' ').toStdString();
        const std::vector<LocalApiRequest> taken = host_.Taken();
        if (!expected.request) {
            EXPECT_TRUE(taken.empty()) << arguments.join(' ').toStdString();
            return;
        }
        ASSERT_EQ(taken.size(), 1u) << arguments.join(' ').toStdString();
        EXPECT_EQ(taken[0].kind, expected.request->kind);
        EXPECT_EQ(taken[0].first, expected.request->first);
        EXPECT_EQ(taken[0].second, expected.request->second);
    }

    FakeHost host_;
    LocalApi api_{host_};
    std::uint16_t port_ = 0;
};

TEST_F(ApiRoutesTest, CallAnswersEveryRowOfItsTable) {
    struct Row {
        bool connected;
        bool linked;
        std::string query;
        Expected expected;
    };
    const std::vector<Row> rows = {
        {true,
         false,
         "type=tel&number=800&guid=g1",
         {Body(0, gbk::kTelDialed), LocalApiRequest{Kind::LandlineDial, "800", "g1"}}},
        {false, true, "type=tel&number=800&guid=g1", {Body(0, gbk::kTelNoBox), {}}},
        {true, true, "type=TEL&number=123", {Body(0, gbk::kUnknownType), {}}},
        {true, true, "number=123", {Body(0, gbk::kUnknownType), {}}},
        {false, false, "type=mobile&number=13800000000", {Body(0, gbk::kMobileNoBox), {}}},
        {true,
         true,
         "type=mobile&number=13800000000&guid=x",
         {Body(0, gbk::kMobileDialed), LocalApiRequest{Kind::PhoneDial, "13800000000", "x"}}},
        {true, false, "type=mobile&number=13800000000", {Body(0, gbk::kMobileNoPhone), {}}},
        // An empty number wins over every other row.
        {true, true, "type=tel&number=&guid=x", {Body(-1, gbk::kEmptyNumber), {}}},
        {true, true, "type=mobile&guid=x", {Body(-1, gbk::kEmptyNumber), {}}},
        {false, false, "type=other", {Body(-1, gbk::kEmptyNumber), {}}},
    };
    for (const Row& row : rows) {
        host_.SetDevice(row.connected, row.linked);
        ExpectExchange({Url("/api/call?" + row.query)}, kHtml, row.expected);
    }
}

TEST_F(ApiRoutesTest, SmsAnswersEveryRowAndPassesDataWhateverTheDevice) {
    const std::string data =
        R"({"size":2,"list":[{"number":"13800000000"},{"number":"800"}],"content":"hi"})";
    struct Row {
        bool connected;
        bool linked;
        std::string body;
        Expected expected;
    };
    const LocalApiRequest sms{Kind::Sms, data, ""};
    const std::vector<Row> rows = {
        {false, false, "data=" + data, {Body(0, gbk::kSmsNoBox), sms}},
        {true, false, "data=" + data, {Body(0, gbk::kSmsNoPhone), sms}},
        {true, true, "data=" + data, {Body(0, gbk::kSmsAccepted), sms}},
        // Missing data wins over the device rows.
        {false, false, "data=", {Body(0, gbk::kSmsEmptyData), {}}},
        {true, true, "other=1", {Body(0, gbk::kSmsEmptyData), {}}},
    };
    for (const Row& row : rows) {
        host_.SetDevice(row.connected, row.linked);
        ExpectExchange({"--data-binary", QString::fromStdString(row.body), Url("/api/sms")}, kJson,
                       row.expected);
    }
    // Without any body at all, too.
    ExpectExchange({Url("/api/sms")}, kJson, {Body(0, gbk::kSmsEmptyData), {}});
}

TEST_F(ApiRoutesTest, RecordAnswersEveryRowWithoutLookingAtTheDevice) {
    const std::vector<std::pair<std::string, Expected>> rows = {
        {"cmd=mode&value=auto",
         {Body(0, gbk::kModeAuto), LocalApiRequest{Kind::RecordMode, "auto", ""}}},
        {"cmd=mode&value=hand",
         {Body(0, gbk::kModeHand), LocalApiRequest{Kind::RecordMode, "hand", ""}}},
        {"cmd=mode&value=AUTO", {Body(0, gbk::kModeUnknown), {}}},
        {"cmd=control&value=start",
         {Body(0, gbk::kRecordStarted), LocalApiRequest{Kind::RecordControl, "start", ""}}},
        {"cmd=control&value=stop",
         {Body(0, gbk::kRecordStopped), LocalApiRequest{Kind::RecordControl, "stop", ""}}},
        {"cmd=control&value=pause", {Body(0, gbk::kControlUnknown), {}}},
        {"cmd=Mode&value=auto", {Body(0, gbk::kCmdUnknown), {}}},
        {"value=start", {Body(0, gbk::kCmdUnknown), {}}},
    };
    host_.SetDevice(false, false);
    for (const auto& [query, expected] : rows) {
        ExpectExchange({Url("/api/record?" + query)}, kJson, expected);
    }
}

TEST_F(ApiRoutesTest, ValuesArriveUndecodedAndTheQueryWinsOverTheBody) {
    host_.SetDevice(true, true);
    ExpectExchange({Url("/api/call?type=tel&number=a%20b+c")}, kHtml,
                   {Body(0, gbk::kTelDialed), LocalApiRequest{Kind::LandlineDial, "a%20b+c", ""}});
    ExpectExchange(
        {"--data-binary", "cmd=control&value=stop", Url("/api/record?cmd=mode&value=hand")}, kJson,
        {Body(0, gbk::kModeHand), LocalApiRequest{Kind::RecordMode, "hand", ""}});
    // A POST form works like a query.
    ExpectExchange({"--data-binary", "type=mobile&number=139", Url("/api/call")}, kHtml,
                   {Body(0, gbk::kMobileDialed), LocalApiRequest{Kind::PhoneDial, "139", ""}});
}

TEST_F(ApiRoutesTest, ValuesOverTheParameterLimitAreRefusedWhole) {
    host_.SetDevice(true, true);
    const std::string longest(IRequest::kMaxParamLength, '7');
    ExpectExchange({Url("/api/call?type=tel&number=" + longest)}, kHtml,
                   {Body(0, gbk::kTelDialed), LocalApiRequest{Kind::LandlineDial, longest, ""}});
    ExpectExchange({Url("/api/call?type=tel&number=" + longest + "7")}, kHtml,
                   {Body(-1, gbk::kEmptyNumber), {}});
    const std::string data = R"({"size":1,"list":[{"number":"1"}],"content":")" +
                             std::string(IRequest::kMaxParamLength, 'x') + "\"}";
    ExpectExchange({"--data-binary", QString::fromStdString("data=" + data), Url("/api/sms")},
                   kJson, {Body(0, gbk::kSmsEmptyData), {}});
}

TEST_F(ApiRoutesTest, RequestsTheApiDoesNotServeGetNoReply) {
    host_.SetDevice(true, true);
    // curl reports an empty reply (exit code 52) when the server closes without a word.
    const QStringList noReply[] = {
        {Url("/api/other?type=tel&number=1")},
        {Url("/api/Call?type=tel&number=1")},
        {Url("/api/call/?type=tel&number=1")},
        {"-H", "Host: evil.example", Url("/api/call?type=tel&number=1")},
        {"-H", "Host: evil.example:9123", Url("/api/record?cmd=control&value=start")},
        {"-X", "PUT", Url("/api/call?type=tel&number=1")},
    };
    for (const QStringList& arguments : noReply) {
        const CurlResult result = RunCurl(arguments);
        EXPECT_EQ(result.exitCode, 52) << arguments.join(' ').toStdString();
        EXPECT_TRUE(result.output.empty()) << arguments.join(' ').toStdString();
    }
    EXPECT_TRUE(host_.Taken().empty());

    // What curl cannot say: an apostrophe, a POST whose body has not all arrived, junk.
    const std::string port = std::to_string(port_);
    const std::string rawNoReply[] = {
        "GET /api/call?type=tel&number=1'2 HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n",
        "GET /api/call?type=tel&number=12 HTTP/1.1\r\nUser-Agent: a'b\r\n\r\n",
        "POST /api/call HTTP/1.1\r\nHost: localhost\r\nContent-Length: 30\r\n\r\ntype=tel",
        "GET /api/call?type=tel&number=12 HTTP/1.1\r\nHost: localhost:" + port + "\r\n",
        std::string("\x16\x03\x01\x02\x00\x01\x00\x01\xfc\x03\x03\r\n\r\n\0\0", 17),
        "GET /api/call?type=tel&number=12 HTTP/1.1\r\nHost: localhost\r\n" +
            std::string(5000, 'X') + "\r\n\r\n",
        "GET /api/call?type=tel&number=" + std::string(33 * 1024, '1') +
            " HTTP/1.1\r\nHost: localhost\r\n\r\n",
    };
    for (const std::string& request : rawNoReply) {
        const Received received = Exchange(port_, request);
        EXPECT_TRUE(received.closed) << request.substr(0, 80);
        EXPECT_TRUE(received.bytes.empty()) << request.substr(0, 80);
    }
    EXPECT_TRUE(host_.Taken().empty());

    // And the server goes on serving.
    ExpectExchange({Url("/api/call?type=tel&number=5")}, kHtml,
                   {Body(0, gbk::kTelDialed), LocalApiRequest{Kind::LandlineDial, "5", ""}});
}

TEST_F(ApiRoutesTest, ConcurrentRequestsKeepTheirOwnParameters) {
    host_.SetDevice(true, true);
    constexpr int kClients = 8;
    constexpr int kEach = 40;
    std::vector<std::thread> clients;
    std::atomic<int> answered{0};
    for (int c = 0; c < kClients; ++c) {
        clients.emplace_back([&, c] {
            for (int i = 0; i < kEach; ++i) {
                const std::string number = std::to_string(100000 + c * 1000 + i);
                const Received received =
                    Exchange(port_, "GET /api/call?type=mobile&number=" + number + "&guid=g" +
                                        number + " HTTP/1.1\r\nHost: localhost\r\n\r\n");
                answered += received.bytes == ReplyOf(Body(0, gbk::kMobileDialed), kHtml);
            }
        });
    }
    for (std::thread& client : clients) {
        client.join();
    }
    EXPECT_EQ(answered, kClients * kEach);
    const std::vector<LocalApiRequest> taken = host_.Taken();
    ASSERT_EQ(taken.size(), std::size_t{kClients * kEach});
    std::set<std::string> numbers;
    for (const LocalApiRequest& request : taken) {
        EXPECT_EQ(request.kind, Kind::PhoneDial);
        EXPECT_EQ(request.second, "g" + request.first);
        numbers.insert(request.first);
    }
    EXPECT_EQ(numbers.size(), std::size_t{kClients * kEach});
}

TEST_F(ApiRoutesTest, RawRequestsWithLoopbackOrNoHostAreServed) {
    host_.SetDevice(false, false);
    for (const std::string host :
         {"", "Host: localhost\r\n", "Host: LOCALHOST:9123\r\n", "Host: 127.0.0.1\r\n"}) {
        const Received received =
            Exchange(port_, "GET /api/record?cmd=x HTTP/1.0\r\n" + host + "\r\n");
        EXPECT_TRUE(received.closed);
        EXPECT_EQ(received.bytes, ReplyOf(Body(0, gbk::kCmdUnknown), kJson)) << host;
    }
}

TEST_F(ApiRoutesTest, ASecondServerOnTheSamePortFailsAndTheFirstServesOn) {
    FakeHost otherHost;
    LocalApi other(otherHost);
    EXPECT_FALSE(other.StartServer(port_));
    EXPECT_EQ(other.Port(), 0);
    host_.SetDevice(true, false);
    ExpectExchange(
        {Url("/api/record?cmd=control&value=stop")}, kJson,
        {Body(0, gbk::kRecordStopped), LocalApiRequest{Kind::RecordControl, "stop", ""}});
    EXPECT_FALSE(api_.StartServer(0)); // a server starts once
}

} // namespace
} // namespace tamberlink
