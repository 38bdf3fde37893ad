#include "cloud/CloudClient.h"
#include "cloud/CloudEnvelope.h"

#include "FakeCloud.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <regex>
#include <set>

namespace tamberlink {
namespace {

using test::FakeCloud;
using test::ParseJson;
using test::Settle;
using test::WaitFor;
using namespace std::chrono_literals;

TEST(CloudRequests, CacheBusterIsSecondsTimesThousand) {
    EXPECT_EQ(CacheBuster(1451649600), 1451649600000LL); // 2016-01-01 12:00:00 UTC
    EXPECT_EQ(CacheBuster(0), 0);
}

TEST(CloudRequests, EveryKindHasItsUrlAndBody) {
    const CloudRequestBuilder b("http://h:1"); // the missing '/' is added
    ASSERT_EQ(b.BaseUrl(), "http://h:1/");
    const std::string s = "_=[0-9]+000";
    const struct {
        CloudRequest request;
        int kind;
        std::string url;
        std::string body;
    } rows[] = {
        {b.Vcode(VCODE_LOGIN), 1025, "http://h:1/api/vcode\\?type=login&" + s, ""},
        {b.Vcode(VCODE_REG), 1026, "http://h:1/api/vcode\\?type=reg&" + s, ""},
        {b.Vcode(VCODE_FORGET), 1027, "http://h:1/api/vcode\\?type=forget&" + s, ""},
        {b.UserLogin("13800000000", "AB", "1234"), 1054, "http://h:1/api/user",
         "cmd=login&" + s + "&pn=13800000000&p=AB&v=1234"},
        {b.UserReg("13800000000", "pw", "12"), 1055, "http://h:1/api/user",
         "cmd=reg&" + s + "&pn=13800000000&p=pw&v=12"},
        {b.SmsCode("138", "99"), 1056, "http://h:1/api/sms", "pn=138&" + s + "&v=99"},
        {b.UserForget("new", "654321"), 1057, "http://h:1/api/user",
         "cmd=forget&" + s + "&p=new&m=654321"},
        {b.ContactAll(3, 20), 1058, "http://h:1/api/contact",
         "cmd=all&" + s + "&page=3&page_size=20"},
        {b.ContactAddRange("[]"), 1059, "http://h:1/api/contact\\?cmd=addRange&" + s, "\\[\\]"},
        {b.ContactDelRange("2015-01-01"), 1060, "http://h:1/api/contact",
         "cmd=delRange&" + s + "&begin=2015-01-01"},
        {b.FeedbackAdd("", ""), 1061, "http://h:1/api/feedback", "cmd=add&" + s + "&content=&tel="},
        {b.VersionUpd(3), 1062, "http://h:1/api/version", "cmd=upd&" + s + "&type=3"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(row.request.kind, row.kind);
        EXPECT_TRUE(std::regex_match(row.request.url, std::regex(row.url))) << row.request.url;
        EXPECT_TRUE(std::regex_match(row.request.body, std::regex(row.body))) << row.request.body;
    }
}

TEST(CloudRequests, FormValuesKeepTheirTextButCannotSplitTheForm) {
    EXPECT_EQ(CloudRequestBuilder::FormValue("a&b=c+d%e"), "a%26b%3Dc%2Bd%25e");
    EXPECT_EQ(CloudRequestBuilder::FormValue("意见 1;2"), "意见 1;2");
    const CloudRequest r = CloudRequestBuilder("http://h/").FeedbackAdd("x&tel=1", "2");
    EXPECT_NE(r.body.find("&content=x%26tel%3D1&tel=2"), std::string::npos) << r.body;
}

TEST(CloudEnvelopeRead, FindsTheObjectAfterAnyPrefix) {
    const CloudEnvelope e =
        CloudEnvelope::Read("\xEF\xBB\xBF \r\n{\"code\":-5,\"msg\":\"\xE5\xAF\x86\",\"data\":{}}");
    ASSERT_TRUE(e.Readable());
    EXPECT_EQ(e.code, -5);
    EXPECT_EQ(e.msg, QStringLiteral("密"));
    EXPECT_TRUE(e.data.isObject());

    const CloudEnvelope bare = CloudEnvelope::Read("{}");
    ASSERT_TRUE(bare.Readable());
    EXPECT_EQ(bare.code, 0);
    EXPECT_TRUE(bare.msg.isEmpty());
    EXPECT_TRUE(bare.data.isNull());

    // Comments are allowed, as is a number with a fraction, or a number as msg.
    const CloudEnvelope loose = CloudEnvelope::Read("{/* c */ \"code\": 2.0, \"msg\": 7}");
    ASSERT_TRUE(loose.Readable());
    EXPECT_EQ(loose.code, 2);
    EXPECT_EQ(loose.msg, QStringLiteral("7"));
}

TEST(CloudEnvelopeRead, BadShapesNeverThrow) {
    EXPECT_EQ(CloudEnvelope::Read("").state, CloudEnvelope::State::NoBrace);
    EXPECT_EQ(CloudEnvelope::Read("<html>502</html>").state, CloudEnvelope::State::NoBrace);
    EXPECT_EQ(CloudEnvelope::Read(std::string("\0\x01\xFF", 3)).state,
              CloudEnvelope::State::NoBrace);
    const char* unparsable[] = {
        "{\"code\":0,\"msg\":\"trunc", // truncated
        "{\"code\":\"0\"}",            // code as text
        "{\"code\":1e300}",            // out of range
        "{\"code\":[1]}",              // wrong type
        "x{1}",                        // not an object
    };
    for (const char* body : unparsable) {
        EXPECT_EQ(CloudEnvelope::Read(body).state, CloudEnvelope::State::Unparsable) << body;
    }
    const std::string deep = std::string(100000, '{') + std::string(100000, '}');
    EXPECT_EQ(CloudEnvelope::Read(deep).state, CloudEnvelope::State::Unparsable);
    const CloudEnvelope odd = CloudEnvelope::Read("{\"msg\":{\"a\":1},\"data\":[1,\"x\"]}");
    ASSERT_TRUE(odd.Readable());
    EXPECT_TRUE(odd.msg.isEmpty());
    EXPECT_EQ(CloudEnvelope::IntMember(odd.data, "page"), 0);
    EXPECT_EQ(CloudEnvelope::TextMember(odd.data, "num"), "");
    EXPECT_TRUE(CloudEnvelope::Member(odd.data, "list").isNull());
}

class CloudClientTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::EnsureApplication();
        ASSERT_TRUE(folder_.isValid());
        ASSERT_TRUE(fake_.Start());
        client_ = std::make_unique<CloudClient>(fake_.BaseUrl(), folder_.path());
        client_->SetReplyHandler([this](const CloudReply& reply) {
            EXPECT_EQ(QThread::currentThread(), QCoreApplication::instance()->thread());
            replies_.push_back(reply);
        });
        client_->SetFailureHandler([this](const CloudFailure& failure) {
            EXPECT_EQ(QThread::currentThread(), QCoreApplication::instance()->thread());
            failures_.push_back(failure);
        });
    }

    const Json::Value* FindHeader(const Json::Value& request, const char* name) {
        for (const Json::Value& header : request["headers"]) {
            if (header[0].asString() == name) {
                return &header[1];
            }
        }
        return nullptr;
    }

    QTemporaryDir folder_;
    FakeCloud fake_;
    std::unique_ptr<CloudClient> client_;
    std::vector<CloudReply> replies_;
    std::vector<CloudFailure> failures_;
};

TEST_F(CloudClientTest, FormRequestsSendTheirHeaderListInOrder) {
    CloudRequest request = client_->Requests().VersionUpd(3);
    request.tag = 42;
    client_->Submit(request);
    ASSERT_TRUE(WaitFor([&] { return replies_.size() == 1; }));
    EXPECT_EQ(replies_[0].kind, VERSION_UPD);
    EXPECT_EQ(replies_[0].tag, 42u);
    EXPECT_TRUE(CloudEnvelope::Read(replies_[0].body).Readable()) << replies_[0].body;

    const Json::Value sent = fake_.Requests("api/version")[0];
    EXPECT_EQ(sent["method"].asString(), "POST");
    EXPECT_EQ(sent["body"].asString(), request.body);
    std::vector<std::string> custom;
    for (const Json::Value& header : sent["headers"]) {
        const std::string name = header[0].asString();
        if (name != "Host" && name != "Content-Length") {
            custom.push_back(name + ": " + header[1].asString());
        }
    }
    const std::vector<std::string> expected = {
        "Accept: text/html",
        "Accept-Language: zh-CN",
        "User-Agent: Tamberlink v1.0",
        "Content-Type: application/x-www-form-urlencoded",
        "Accept-Encoding: gzip, deflate",
        "Connection: Close",
    };
    EXPECT_EQ(custom, expected);
}

TEST_F(CloudClientTest, GetAndJsonSendOnlyTheirOwnHeaders) {
    client_->Submit(client_->Requests().Vcode(VCODE_LOGIN));
    client_->Submit(client_->Requests().ContactAddRange("[]"));
    ASSERT_TRUE(WaitFor([&] { return replies_.size() == 2; }));

    const Json::Value get = fake_.Requests("api/vcode")[0];
    EXPECT_EQ(get["method"].asString(), "GET");
    EXPECT_EQ(FindHeader(get, "Accept-Encoding"), nullptr);
    EXPECT_EQ(FindHeader(get, "Content-Type"), nullptr);

    const Json::Value json = fake_.Requests("api/contact")[0];
    EXPECT_EQ(json["body"].asString(), "[]");
    ASSERT_NE(FindHeader(json, "Content-Type"), nullptr);
    EXPECT_EQ(FindHeader(json, "Content-Type")->asString(), "application/json;charset=utf-8");
    EXPECT_EQ(FindHeader(json, "User-Agent")->asString(), "Tamberlink v1.0");
    EXPECT_EQ(FindHeader(json, "Accept-Encoding"), nullptr);
}

TEST_F(CloudClientTest, BackToBackRequestsKeepTheirOwnUrlAndBody) {
    std::set<std::string> bodies;
    for (int page = 1; page <= 6; ++page) {
        const CloudRequest request = client_->Requests().FeedbackAdd(std::to_string(page), "t");
        bodies.insert(request.body);
        client_->Submit(request);
    }
    ASSERT_TRUE(WaitFor([&] { return replies_.size() == 6; }));
    std::set<std::string> received;
    for (const Json::Value& request : fake_.Requests("api/feedback")) {
        received.insert(request["body"].asString());
    }
    EXPECT_EQ(received, bodies);
}

TEST_F(CloudClientTest, CookiesCarryTheSessionAndStayPrivate) {
    client_->Submit(client_->Requests().Vcode(VCODE_FORGET));
    ASSERT_TRUE(WaitFor([&] { return replies_.size() == 1; }));
    EXPECT_EQ(replies_[0].body.substr(0, 6), "GIF89a");
    EXPECT_NE(replies_[0].body.find("code=1234"), std::string::npos);

    client_->Submit(client_->Requests().SmsCode("13800000000", "1234"));
    ASSERT_TRUE(WaitFor([&] { return replies_.size() == 2; }));
    const Json::Value sms = fake_.Requests("api/sms")[0];
    EXPECT_FALSE(sms["sid"].isNull()) << "the session cookie of the picture was not sent";

    struct stat info {};
    ASSERT_EQ(::stat(client_->CookieFile().toLocal8Bit().constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    EXPECT_TRUE(client_->CookieFile().endsWith(QStringLiteral("/dialercookie.txt")));
}

TEST_F(CloudClientTest, RequestsBegunBeforeASessionEndTogetherWithoutLosingItsCookie) {
    // Requests sent before the session opened end together with the one that opens it, as the
    // start-up's version check may with the first picture code.
    constexpr int kEarly = 8;
    fake_.AddRule(R"({"path": "api/version", "action": "hold", "times": 8})");
    for (int i = 0; i < kEarly; ++i) {
        client_->Submit(client_->Requests().VersionUpd(3));
    }
    ASSERT_TRUE(WaitFor([&] { return fake_.Requests("api/version").size() == kEarly; }));
    fake_.AddRule(R"({"path": "api/vcode", "action": "hold", "times": 1})");
    client_->Submit(client_->Requests().Vcode(VCODE_FORGET));
    ASSERT_TRUE(WaitFor([&] { return fake_.Requests("api/vcode").size() == 1; }));
    Json::Value release;
    release["count"] = kEarly + 1;
    fake_.Control("release", release);
    ASSERT_TRUE(WaitFor([&] { return replies_.size() == kEarly + 1u; }))
        << replies_.size() << " replies, " << failures_.size() << " failures";

    client_->Submit(client_->Requests().SmsCode("13800000000", "1234"));
    ASSERT_TRUE(WaitFor([&] { return replies_.size() == kEarly + 2u; }));
    EXPECT_FALSE(fake_.Requests("api/sms")[0]["sid"].isNull())
        << "the session cookie was lost; the service said " << replies_.back().body;
}

TEST_F(CloudClientTest, CompressedRepliesAreInflatedForEveryTransfer) {
    fake_.Control("config", ParseJson(R"({"gzip": true})"));
    client_->Submit(client_->Requests().Vcode(VCODE_LOGIN));
    client_->Submit(client_->Requests().VersionUpd(3));
    client_->Submit(client_->Requests().ContactAddRange("[]"));
    ASSERT_TRUE(WaitFor([&] { return replies_.size() == 3; }));
    for (const CloudReply& reply : replies_) {
        if (reply.kind == VCODE_LOGIN) {
            EXPECT_EQ(reply.body.substr(0, 6), "GIF89a");
        } else {
            EXPECT_TRUE(CloudEnvelope::Read(reply.body).Readable()) << reply.kind;
        }
    }
}

TEST_F(CloudClientTest, EveryRequestWithoutAReplyIsReported) {
    fake_.AddRule(R"({"action": "stall", "seconds": 20})");
    CloudRequest del = client_->Requests().ContactDelRange("2015-01-01");
    del.tag = 7;
    CloudRequest version = client_->Requests().VersionUpd(3);
    version.tag = 8;
    client_->Submit(del);
    client_->Submit(version);
    ASSERT_TRUE(WaitFor([&] { return client_->RunningWorkers() == 0; }, 45s));
    Settle(200ms);
    ASSERT_EQ(failures_.size(), 2u);
    std::sort(failures_.begin(), failures_.end(),
              [](const CloudFailure& a, const CloudFailure& b) { return a.tag < b.tag; });
    EXPECT_EQ(failures_[0].kind, CONTACT_DEL_RANGE);
    EXPECT_EQ(failures_[1].kind, VERSION_UPD);
    EXPECT_TRUE(failures_[0].timedOut && failures_[1].timedOut);
    EXPECT_TRUE(replies_.empty());

    // A service that is not there at all is reported at once, not as a timeout.
    failures_.clear();
    client_->SetBaseUrl("http://127.0.0.1:9/");
    CloudRequest picture = client_->Requests().Vcode(VCODE_LOGIN);
    picture.tag = 9;
    client_->Submit(picture);
    ASSERT_TRUE(WaitFor([&] { return failures_.size() == 1; }));
    EXPECT_EQ(failures_[0].kind, VCODE_LOGIN);
    EXPECT_EQ(failures_[0].tag, 9u);
    EXPECT_FALSE(failures_[0].timedOut);
    EXPECT_TRUE(replies_.empty());
}

TEST_F(CloudClientTest, OversizedRepliesAreDroppedAndLargeOnesKept) {
    fake_.AddRule(R"({"action": "huge", "times": 1, "size": )" +
                  std::to_string(CloudClient::kMaxReplyBytes + 1) + "}");
    fake_.AddRule(R"({"action": "huge", "times": 1, "size": 3145728})");
    client_->Submit(client_->Requests().VersionUpd(3));
    ASSERT_TRUE(WaitFor([&] { return client_->RunningWorkers() == 0; }));
    client_->Submit(client_->Requests().VersionUpd(3));
    ASSERT_TRUE(WaitFor([&] { return replies_.size() == 1; }));
    EXPECT_EQ(replies_[0].body.size(), std::size_t(3 << 20));
    EXPECT_EQ(client_->RunningWorkers(), 0);
}

TEST_F(CloudClientTest, ProxyIsUsedOnlyWhenSet) {
    const std::string port = fake_.BaseUrl().substr(std::string("http://127.0.0.1:").size());
    CloudClient remote("http://cloud.invalid/", folder_.path());
    std::vector<CloudReply> replies;
    remote.SetReplyHandler([&](const CloudReply& reply) { replies.push_back(reply); });

    remote.Submit(remote.Requests().VersionUpd(3)); // no proxy: the name does not resolve
    ASSERT_TRUE(WaitFor([&] { return remote.RunningWorkers() == 0; }));
    Settle(100ms);
    EXPECT_TRUE(replies.empty());

    remote.SetProxy(QString::fromStdString("127.0.0.1:" + port.substr(0, port.size() - 1)));
    remote.Submit(remote.Requests().VersionUpd(3));
    ASSERT_TRUE(WaitFor([&] { return replies.size() == 1; }));
    const Json::Value sent = fake_.Requests("api/version")[0];
    EXPECT_EQ(FindHeader(sent, "Host")->asString(), "cloud.invalid");
}

TEST_F(CloudClientTest, SynchronousTransfersReturnLibcurlResults) {
    std::string reply = "kept:";
    EXPECT_EQ(client_->Get(client_->Requests().Vcode(VCODE_REG).url, reply), 0);
    EXPECT_EQ(reply.substr(0, 11), "kept:GIF89a");
    std::string form;
    EXPECT_EQ(client_->PostForm(fake_.BaseUrl() + "api/version", "cmd=upd&type=3", form), 0);
    EXPECT_EQ(CloudEnvelope::Read(form).code, 0);
    std::string refused;
    EXPECT_EQ(client_->PostJson("http://127.0.0.1:1/api/contact", "[]", refused), 7);
}

TEST_F(CloudClientTest, VerboseModePrintsTheExchange) {
    client_->SetVerbose(true);
    testing::internal::CaptureStdout();
    client_->Submit(client_->Requests().VersionUpd(3));
    const bool replied = WaitFor([&] { return replies_.size() == 1; });
    std::fflush(stdout);
    const std::string printed = testing::internal::GetCapturedStdout();
    ASSERT_TRUE(replied);
    EXPECT_NE(printed.find("[HEADER_OUT]POST /api/version"), std::string::npos) << printed;
    EXPECT_NE(printed.find("[DATA_OUT]cmd=upd"), std::string::npos);
    EXPECT_NE(printed.find("[HEADER_IN]HTTP/1.0 200"), std::string::npos);
    EXPECT_NE(printed.find("[DATA_IN]{"), std::string::npos);
}

TEST_F(CloudClientTest, StopCutsStalledTransfersShortAndDeliversNothing) {
    fake_.AddRule(R"({"action": "stall", "seconds": 60})");
    client_->Submit(client_->Requests().ContactAddRange("[]")); // 30 s timeout
    client_->Submit(client_->Requests().ContactDelRange("2015-01-01"));
    ASSERT_TRUE(WaitFor([&] { return fake_.State()["requests"].size() == 2; }));
    client_->Stop(std::chrono::seconds(20));
    EXPECT_EQ(client_->RunningWorkers(), 0);
    client_->Submit(client_->Requests().VersionUpd(3));
    Settle(300ms);
    EXPECT_EQ(client_->RunningWorkers(), 0);
    EXPECT_TRUE(replies_.empty());
    EXPECT_TRUE(failures_.empty());
}

} // namespace
} // namespace tamberlink
