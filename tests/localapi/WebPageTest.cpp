// Requests of web pages: known by their origin, served only when the user allows it.
#include "ApiTestSupport.h"

#include "localapi/CHttpParser.h"
#include "localapi/LocalApi.h"
#include "localapi/RequestOrigin.h"

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <unistd.h>

namespace tamberlink {
namespace {

using namespace test;
using Kind = RequestOrigin::Kind;

std::string Refused(std::string_view type) {
    return ReplyOf(Body(-1, "请求被拒绝，用户未允许此网页使用Tamberlink"), type);
}

RequestOrigin OriginOfHead(const std::string& headers) {
    return OriginOf(CHttpParser("GET /api/call?number=1 HTTP/1.1\r\n" + headers + "\r\n"));
}

TEST(RequestOrigin, BrowsersMarksTellAPageAndItsOrigin) {
    const struct {
        std::string headers;
        Kind kind;
        std::string origin;
    } cases[] = {
        {"", Kind::Program, ""},
        {"User-Agent: curl/7.88\r\n", Kind::Program, ""},
        {"Origin: http://crm.example:8080\r\n", Kind::WebPage, "http://crm.example:8080"},
        {"origin: HTTPS://CRM.Example:443\r\n", Kind::WebPage, "https://crm.example"},
        {"Origin: http://127.0.0.1:80\r\n", Kind::WebPage, "http://127.0.0.1"},
        {"Origin: http://[::1]:8000\r\n", Kind::WebPage, "http://[::1]:8000"},
        {"Origin: null\r\n", Kind::UnknownPage, ""},
        {"Origin: file://\r\n", Kind::UnknownPage, ""},
        {"Origin: http://user@evil.example\r\n", Kind::UnknownPage, ""},
        {"Origin: http://crm.example:99999x\r\n", Kind::UnknownPage, ""},
        {"Origin: http://crm example\r\n", Kind::UnknownPage, ""},
        {"Sec-Fetch-Site: same-site\r\nReferer: http://127.0.0.1:8000/page.html?a=1#top\r\n",
         Kind::WebPage, "http://127.0.0.1:8000"},
        {"Sec-Fetch-Site: cross-site\r\n", Kind::UnknownPage, ""},
        {"Sec-Fetch-Dest: image\r\nSec-Fetch-Mode: no-cors\r\n", Kind::UnknownPage, ""},
        // Node's fetch marks its requests so.
        {"sec-fetch-mode: cors\r\n", Kind::Program, ""},
        // The user's own navigation, and the prefetches that pass for one.
        {"Sec-Fetch-Site: none\r\nSec-Fetch-Mode: navigate\r\n", Kind::Navigation, ""},
        {"Sec-Purpose: prefetch\r\nSec-Fetch-Site: none\r\nReferer: http://a.example/\r\n",
         Kind::Speculative, ""},
        {"Sec-Purpose: prefetch;prerender\r\nSec-Fetch-Site: none\r\n", Kind::Speculative, ""},
        {"Purpose: prefetch\r\nOrigin: http://crm.example\r\n", Kind::Speculative, ""},
        {"Referer: https://crm.example/customers/7\r\n", Kind::WebPage, "https://crm.example"},
        {"Referer: about:blank\r\n", Kind::UnknownPage, ""},
        // The Origin header speaks for the page even where a referrer says otherwise.
        {"Referer: http://a.example/\r\nOrigin: http://b.example\r\n", Kind::WebPage,
         "http://b.example"},
    };
    for (const auto& c : cases) {
        const RequestOrigin from = OriginOfHead(c.headers);
        EXPECT_EQ(from.kind, c.kind) << c.headers;
        EXPECT_EQ(from.origin, c.origin) << c.headers;
    }
    EXPECT_TRUE(OriginOfUrl("http://" + std::string(300, 'a') + ".example").empty());

    // The site of an origin: what its names share.
    EXPECT_EQ(SiteOfOrigin("https://a.b.example.com.cn:8443"), "example.com.cn");
    EXPECT_EQ(SiteOfOrigin("http://crm.example.co.uk"), "example.co.uk");
    EXPECT_EQ(SiteOfOrigin("http://127.0.0.1:8000"), "127.0.0.1");
    EXPECT_EQ(SiteOfOrigin("http://[::1]:8000"), "[::1]");
    EXPECT_EQ(SiteOfOrigin("http://localhost:3000"), "localhost");
}

class WebPageTest : public ::testing::Test {
protected:
    void SetUp() override {
        host_.connected = true;
        host_.linked = true;
        ASSERT_TRUE(api_.StartServer(0));
    }

    FakeHost host_;
    LocalApi api_{host_, {.ask = 1500ms}};
};

TEST_F(WebPageTest, APageIsAskedAboutOnceAndItsRequestsWaitForTheAnswer) {
    const int fd = ConnectLoopback(api_.Port());
    ASSERT_TRUE(SendAll(fd, "GET /api/call?type=tel&number=800 HTTP/1.1\r\n"
                            "Origin: http://crm.example:8080\r\n\r\n"
                            "GET /api/record?cmd=control&value=start HTTP/1.1\r\n\r\n"));
    ASSERT_TRUE(host_.WaitForQuestions(1));
    EXPECT_EQ(host_.Questions()[0],
              std::make_pair(std::string("http://crm.example:8080"), ApiPurpose::Dial));
    // Nothing is done, nor answered, before the user has answered; then both in order.
    EXPECT_TRUE(StillOpen(fd));
    EXPECT_TRUE(host_.Taken().empty());
    host_.Answer(true);
    const Received replies = ReadReplies(fd, 2);
    close(fd);
    EXPECT_EQ(replies.bytes, ReplyOf(Body(0, "固话拨号成功"), kHtml) +
                                 ReplyOf(Body(0, "设置录音成功，录音开始"), kJson));
    ASSERT_EQ(host_.Taken().size(), 2u);
    EXPECT_EQ(host_.Taken()[0].first, "800");
}

TEST_F(WebPageTest, ARefusedPageIsAnsweredWithARefusalAndNothingIsDone) {
    host_.Remember("http://evil.example", false);
    const std::string requests[] = {
        "GET /api/call?type=tel&number=900 HTTP/1.1\r\nOrigin: http://evil.example\r\n\r\n",
        "POST /api/sms HTTP/1.1\r\nReferer: http://evil.example/x\r\nContent-Length: 6\r\n\r\n"
        "data=1",
        "GET /api/record?cmd=control&value=start HTTP/1.1\r\nSec-Fetch-Site: cross-site\r\n\r\n",
        "GET /api/call?type=tel&number=901 HTTP/1.1\r\nOrigin: null\r\n\r\n",
    };
    const std::string_view types[] = {kHtml, kJson, kJson, kHtml};
    for (std::size_t i = 0; i < std::size(requests); ++i) {
        EXPECT_EQ(Exchange(api_.Port(), requests[i]).bytes, Refused(types[i])) << requests[i];
    }
    EXPECT_TRUE(host_.Questions().empty());
    EXPECT_TRUE(host_.Taken().empty());

    // An allowed page is served at once.
    host_.Remember("http://crm.example", true);
    EXPECT_EQ(Exchange(api_.Port(), "GET /api/call?type=tel&number=902 HTTP/1.1\r\n"
                                    "Origin: http://crm.example\r\n\r\n")
                  .bytes,
              ReplyOf(Body(0, "固话拨号成功"), kHtml));
    ASSERT_EQ(host_.Taken().size(), 1u);
    EXPECT_FALSE(host_.Taken()[0].confirm);
    EXPECT_TRUE(host_.Questions().empty());
}

TEST_F(WebPageTest, PrefetchesAreRefusedAndNavigationsOnlyOfferWhatTheyAsk) {
    host_.Remember("http://crm.example", true);
    const std::string prefetches[] = {
        "GET /api/call?type=tel&number=1 HTTP/1.1\r\nSec-Purpose: prefetch\r\n"
        "Sec-Fetch-Site: none\r\n\r\n",
        "GET /api/record?cmd=mode&value=hand HTTP/1.1\r\nSec-Purpose: prefetch;prerender\r\n"
        "Sec-Fetch-Site: none\r\nReferer: http://crm.example/\r\n\r\n",
        "GET /api/events HTTP/1.1\r\nPurpose: prefetch\r\nOrigin: http://crm.example\r\n"
        "Connection: close\r\n\r\n",
    };
    const std::string_view types[] = {kHtml, kJson, kJson};
    for (std::size_t i = 0; i < std::size(prefetches); ++i) {
        EXPECT_EQ(Exchange(api_.Port(), prefetches[i]).bytes,
                  ReplyOf(Body(-1, "请求被拒绝，浏览器预先加载的请求不会被执行"), types[i]));
    }
    EXPECT_TRUE(host_.Taken().empty());
    EXPECT_EQ(api_.SubscriberCount(), 0u);

    // A navigation's request reaches the core only as something to confirm, box or not.
    host_.connected = false;
    EXPECT_EQ(Exchange(api_.Port(), "GET /api/call?type=tel&number=903 HTTP/1.1\r\n"
                                    "Sec-Fetch-Site: none\r\n\r\n")
                  .bytes,
              ReplyOf(Body(0, "号码已显示在Tamberlink中，请在Tamberlink中选择拨打"), kHtml));
    ASSERT_EQ(host_.Taken().size(), 1u);
    EXPECT_TRUE(host_.Taken()[0].confirm);
}

TEST_F(WebPageTest, HeadLinesHttpForbidsAreAnswered400AndNothingIsDone) {
    const std::string bad400 =
        "HTTP/1.1 400 Bad Request\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
    for (const char* request :
         {"GET /api/call?type=tel&number=1 HTTP/1.1\r\nOrigin : http://evil.example\r\n\r\n",
          "GET /api/call?type=tel&number=1 HTTP/1.1\r\nHost: evil.example\r\n localhost\r\n\r\n",
          "GET /api/call?type=tel&number=1 "
          "HTTP/1.1\r\nOrigin:\thttp://a.example\r\n\tfolded\r\n\r\n"}) {
        const Received received = Exchange(api_.Port(), request);
        EXPECT_EQ(received.bytes, bad400) << request;
        EXPECT_TRUE(received.closed);
    }
    EXPECT_TRUE(host_.Taken().empty());
    EXPECT_TRUE(host_.Questions().empty());
}

TEST_F(WebPageTest, AQuestionLeftUnansweredRefusesTheRequestInTime) {
    const auto start = std::chrono::steady_clock::now();
    const Received received = Exchange(
        api_.Port(), "GET /api/sms?data=x HTTP/1.1\r\nOrigin: http://slow.example\r\n\r\n");
    EXPECT_GE(std::chrono::steady_clock::now() - start, 1500ms);
    EXPECT_EQ(received.bytes, Refused(kJson));
    ASSERT_EQ(host_.Questions().size(), 1u);
    EXPECT_EQ(host_.Questions()[0].second, ApiPurpose::SendSms);
    // The request gave its place in the question back; a late answer changes nothing for it.
    EXPECT_TRUE(WaitFor([&] { return host_.Withdrawn() == std::vector<std::uint64_t>{1}; }));
    host_.Answer(true);
    EXPECT_TRUE(host_.Taken().empty());
}

TEST_F(WebPageTest, TheStreamAnswersAnAllowedPageWithItsCorsHeader) {
    host_.Remember("http://crm.example", true);
    host_.Remember("http://evil.example", false);
    const int allowed = ConnectLoopback(api_.Port());
    ASSERT_TRUE(SendAll(allowed, "GET /api/events HTTP/1.1\r\nOrigin: http://crm.example\r\n\r\n"));
    const int refused = ConnectLoopback(api_.Port());
    ASSERT_TRUE(SendAll(refused, "GET /api/events HTTP/1.1\r\nOrigin: http://evil.example\r\n"
                                 "Connection: close\r\n\r\n"));
    const Received refusal = ReadUntilClosed(refused);
    close(refused);
    EXPECT_EQ(refusal.bytes, Refused(kJson));
    // A page that reaches the port through a name of its own gets nothing at all.
    const Received foreign =
        Exchange(api_.Port(), "GET /api/events HTTP/1.1\r\nHost: evil.example:9123\r\n"
                              "Origin: http://crm.example\r\n\r\n");
    EXPECT_TRUE(foreign.closed);
    EXPECT_TRUE(foreign.bytes.empty());

    ASSERT_TRUE(WaitFor([&] { return api_.SubscriberCount() == 1; }));
    host_.events.Publish("ended", EventData());
    Received stream;
    ASSERT_TRUE(WaitFor([&] {
        char buffer[4096];
        const ssize_t n = recv(allowed, buffer, sizeof buffer, MSG_DONTWAIT);
        if (n > 0) {
            stream.bytes.append(buffer, std::size_t(n));
        }
        return stream.bytes.find("event: ended") != std::string::npos;
    }));
    EXPECT_TRUE(stream.bytes.starts_with(
        "HTTP/1.1 200 OK\r\nContent-Type: text/event-stream;charset=utf-8\r\nCache-Control: "
        "no-cache\r\nAccess-Control-Allow-Origin: http://crm.example\r\nVary: Origin\r\n"
        "Connection: keep-alive\r\n\r\nid: 1\nevent: ended\ndata: {\"time\":"))
        << stream.bytes;

    // Once the page is no longer allowed, its stream ends.
    api_.EndStreamsOf("http://crm.example");
    EXPECT_TRUE(ReadUntilClosed(allowed).closed);
    close(allowed);
    EXPECT_TRUE(WaitFor([&] { return api_.SubscriberCount() == 0; }));
}

} // namespace
} // namespace tamberlink
