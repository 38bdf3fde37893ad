#include "localapi/CHttpParamParser.h"
#include "localapi/CHttpParser.h"
#include "localapi/CHttpResponseMaker.h"
#include "localapi/HostGuard.h"

#include <gtest/gtest.h>

#include <string>

namespace tamberlink {
namespace {

using Method = CHttpParser::Method;

std::string Param(const CHttpParser& parser, const std::string& name) {
    const std::string* value = parser.Params().Find(name);
    return value ? *value : "<missing>";
}

void ExpectRefused(const std::string& data) {
    const CHttpParser parser(data);
    EXPECT_EQ(parser.GetMethod(), Method::None) << data;
    EXPECT_TRUE(parser.Path().empty()) << data;
    EXPECT_TRUE(parser.Params().Params().empty()) << data;
}

TEST(HttpParser, GetWithQueryGivesPathParametersAndHeaders) {
    const CHttpParser parser("GET /api/call?type=tel&number=123 HTTP/1.1\r\n"
                             "Host: 127.0.0.1:9123\r\nAccept: */*\r\nAccept: text/html\r\n\r\n");
    EXPECT_EQ(parser.GetMethod(), Method::Get);
    EXPECT_EQ(parser.Path(), "/api/call");
    ASSERT_TRUE(parser.Query().has_value());
    EXPECT_EQ(*parser.Query(), "type=tel&number=123");
    EXPECT_EQ(Param(parser, "type"), "tel");
    EXPECT_EQ(Param(parser, "number"), "123");
    EXPECT_EQ(parser.RequestLine(), "GET /api/call?type=tel&number=123 HTTP/1.1");
    ASSERT_NE(parser.Header("Host"), nullptr);
    EXPECT_EQ(*parser.Header("Host"), "127.0.0.1:9123");
    // The first of two equal names is kept; names are exact.
    EXPECT_EQ(*parser.Header("Accept"), "*/*");
    EXPECT_EQ(parser.Header("host"), nullptr);
}

TEST(HttpParser, HeaderScanEndsAtALineWithoutColonBlank) {
    const CHttpParser parser("GET /a?x=1 HTTP/1.1\r\nA: 1\r\nBroken:line\r\nB: 2\r\n\r\n");
    EXPECT_EQ(parser.Path(), "/a");
    EXPECT_NE(parser.Header("A"), nullptr);
    EXPECT_EQ(parser.Header("Broken"), nullptr);
    EXPECT_EQ(parser.Header("B"), nullptr);
}

TEST(HttpParser, PostTakesItsBodyByContentLengthAndOnlyWhenComplete) {
    const std::string head =
        "POST /api/sms HTTP/1.1\r\nHost: localhost\r\nContent-Length: 10\r\n\r\n";
    // The body refers into the received data, which outlives the parser.
    const std::string completeData = head + "data=12345";
    const CHttpParser complete(completeData);
    EXPECT_EQ(complete.GetMethod(), Method::Post);
    EXPECT_EQ(complete.Path(), "/api/sms");
    EXPECT_EQ(complete.Body(), "data=12345");
    EXPECT_EQ(Param(complete, "data"), "12345");

    // Only part of the announced body has arrived.
    ExpectRefused(head + "data=1");
    ExpectRefused(head);
    // Bytes beyond the announced length are not part of the body.
    const std::string longerData = head + "data=12345&extra=1";
    const CHttpParser longer(longerData);
    EXPECT_EQ(longer.Body(), "data=12345");
    EXPECT_EQ(Param(longer, "extra"), "<missing>");
    // No end of head at all.
    ExpectRefused("GET /api/call?type=tel HTTP/1.1\r\nHost: localhost\r\n");
}

TEST(HttpParser, ContentLengthValuesThatCannotBeMet) {
    ExpectRefused("POST /api/sms HTTP/1.1\r\nContent-Length: -5\r\n\r\ndata=1");
    ExpectRefused("POST /api/sms HTTP/1.1\r\nContent-Length: 99999999999999999999999\r\n\r\nx");
    // Read like atoi: digits up to the first other character, none at all is 0.
    const CHttpParser trailing("POST /a HTTP/1.1\r\nContent-Length: 3xyz\r\n\r\nq=1");
    EXPECT_EQ(Param(trailing, "q"), "1");
    const CHttpParser none("POST /a HTTP/1.1\r\nContent-Length: abc\r\n\r\nq=1");
    EXPECT_EQ(none.Path(), "/a");
    EXPECT_EQ(Param(none, "q"), "<missing>");
    // A body-looking text after the head is never taken for the header.
    const CHttpParser inBody("POST /a HTTP/1.1\r\nX: 1\r\n\r\nContent-Length: 999\r\n");
    EXPECT_EQ(inBody.Path(), "/a");
}

TEST(HttpParser, QueryWinsOverBodyEvenWhenEmpty) {
    const CHttpParser both("POST /api/record?cmd=mode&value=auto HTTP/1.1\r\n"
                           "Content-Length: 21\r\n\r\ncmd=control&value=stop");
    EXPECT_EQ(Param(both, "cmd"), "mode");
    EXPECT_EQ(Param(both, "value"), "auto");
    const CHttpParser empty("POST /api/record? HTTP/1.1\r\nContent-Length: 8\r\n\r\ncmd=mode");
    EXPECT_EQ(empty.Path(), "/api/record");
    EXPECT_TRUE(empty.Params().Params().empty());
    // GET has no body length: text after the head is not read.
    const CHttpParser get("GET /api/record HTTP/1.1\r\n\r\ncmd=mode");
    EXPECT_EQ(get.Path(), "/api/record");
    EXPECT_TRUE(get.Params().Params().empty());
}

TEST(HttpParser, RefusesApostrophesAnywhere) {
    ExpectRefused("GET /api/call?type=tel&number=1'23 HTTP/1.1\r\n\r\n");
    ExpectRefused("GET /api/call?type=tel&number=123 HTTP/1.1\r\nX-Name: O'Brien\r\n\r\n");
    ExpectRefused("POST /api/sms HTTP/1.1\r\nContent-Length: 6\r\n\r\ndata='");
    ExpectRefused("GET /api/call HTTP/1.1\r\n\r\n'");
}

TEST(HttpParser, RefusesOtherMethodsAndMalformedRequestLines) {
    ExpectRefused("HEAD /api/call?type=tel HTTP/1.1\r\n\r\n");
    ExpectRefused("OPTIONS /api/call HTTP/1.1\r\n\r\n");
    ExpectRefused("get /api/call?type=tel HTTP/1.1\r\n\r\n");
    ExpectRefused("GETX /api/call HTTP/1.1\r\n\r\n");
    ExpectRefused("POSTX /api/call HTTP/1.1\r\n\r\n");
    ExpectRefused("GET /api/call?type=tel\r\n\r\n");
    ExpectRefused("");
    ExpectRefused(std::string("\x00\xff\x16\x03\x01\r\n\r\n", 9));
    const CHttpParser shortest("GET / HTTP\r\n\r\n");
    EXPECT_EQ(shortest.Path(), "/");
}

TEST(HttpParser, StatusLineIsRecognisedButNamesNoPath) {
    const CHttpParser parser("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok");
    EXPECT_EQ(parser.GetMethod(), Method::Status);
    EXPECT_TRUE(parser.Path().empty());
    ExpectRefused("HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nok");
}

TEST(HttpParser, RequestLineOverTheBufferIsRefused) {
    const std::string path = "/" + std::string(CHttpParser::kRequestLineCapacity, 'a');
    ExpectRefused("GET " + path + " HTTP/1.1\r\n\r\n");
    const std::string fits = "/" + std::string(CHttpParser::kRequestLineCapacity - 20, 'a');
    EXPECT_EQ(CHttpParser("GET " + fits + " HTTP/1.1\r\n\r\n").Path(), fits);
}

TEST(HttpParamParser, KeepsNamesAndValuesExactlyAsReceived) {
    CHttpParamParser params;
    params.Parse("&name=a%20b&plus=1+2&Name=upper&name=second&eq=x=y&empty=");
    const auto& map = params.Params();
    EXPECT_EQ(map.size(), 5u);
    EXPECT_EQ(map.at("name"), "a%20b");
    EXPECT_EQ(map.at("plus"), "1+2");
    EXPECT_EQ(map.at("Name"), "upper");
    EXPECT_EQ(map.at("eq"), "x=y");
    EXPECT_EQ(map.at("empty"), "");
    EXPECT_EQ(params.Find("NAME"), nullptr);
}

TEST(HttpParamParser, PiecesWithoutEqualsAreSkippedSafely) {
    CHttpParamParser params;
    params.Parse("a&b=1");
    EXPECT_EQ(params.Params().size(), 1u);
    EXPECT_EQ(params.Params().at("b"), "1");

    CHttpParamParser noEquals;
    noEquals.Parse("alone&again");
    EXPECT_TRUE(noEquals.Params().empty());

    CHttpParamParser trailing;
    trailing.Parse("x=1&tail");
    EXPECT_EQ(trailing.Params().size(), 1u);
    EXPECT_EQ(trailing.Params().at("x"), "1");
}

TEST(HttpParamParser, NamesStartAtALetterPercentOrPlus) {
    CHttpParamParser params;
    params.Parse("=5&1a=2&_id=3&%41=4&+b=5&&&");
    const auto& map = params.Params();
    EXPECT_EQ(map.at("a"), "2");
    EXPECT_EQ(map.at("id"), "3");
    EXPECT_EQ(map.at("%41"), "4");
    EXPECT_EQ(map.at("+b"), "5");
    EXPECT_EQ(map.size(), 4u);
}

TEST(HttpResponseMaker, HeadCarriesTheBodyLengthInBytesAndTheType) {
    EXPECT_EQ(CHttpResponseMaker::Make("ok", CHttpResponseMaker::kHtml),
              "HTTP/1.1 200 OK\r\nContent-Length: 2\r\nContent-Type: text/html;charset=gbk\r\n"
              "Connection: Keep-Alive\r\n\r\nok");
    const std::string gbk = "\xB9\xCC\xBB\xB0"; // two GBK characters, four bytes
    EXPECT_EQ(CHttpResponseMaker::Make(gbk, CHttpResponseMaker::kJson),
              "HTTP/1.1 200 OK\r\nContent-Length: 4\r\nContent-Type: "
              "application/json;charset=gbk\r\nConnection: Keep-Alive\r\n\r\n" +
                  gbk);
    EXPECT_EQ(CHttpResponseMaker::Make("", CHttpResponseMaker::kXml),
              "HTTP/1.1 200 OK\r\nContent-Length: 0\r\nContent-Type: text/xml;charset=gbk\r\n"
              "Connection: Keep-Alive\r\n\r\n");
}

std::string WithHost(const std::string& host) {
    return "GET /api/call HTTP/1.1\r\n" + host + "\r\nAccept: */*\r\n\r\n";
}

TEST(HostGuard, AcceptsLoopbackNamesWithOrWithoutPort) {
    EXPECT_TRUE(IsLoopbackHost(WithHost("Host: localhost")));
    EXPECT_TRUE(IsLoopbackHost(WithHost("Host: LocalHost:9123")));
    EXPECT_TRUE(IsLoopbackHost(WithHost("Host: 127.0.0.1")));
    EXPECT_TRUE(IsLoopbackHost(WithHost("Host: 127.0.0.1:9123")));
    EXPECT_TRUE(IsLoopbackHost(WithHost("host:\t127.0.0.1 ")));
    EXPECT_TRUE(IsLoopbackHost(WithHost("X-Other: evil.example")));
}

TEST(HostGuard, RefusesEveryOtherName) {
    EXPECT_FALSE(IsLoopbackHost(WithHost("Host: evil.example")));
    EXPECT_FALSE(IsLoopbackHost(WithHost("Host: evil.example:9123")));
    EXPECT_FALSE(IsLoopbackHost(WithHost("Host: localhost.evil.example")));
    EXPECT_FALSE(IsLoopbackHost(WithHost("Host: 127.0.0.1.evil.example")));
    EXPECT_FALSE(IsLoopbackHost(WithHost("Host: 127.0.0.2")));
    EXPECT_FALSE(IsLoopbackHost(WithHost("Host: localhost:")));
    EXPECT_FALSE(IsLoopbackHost(WithHost("Host: localhost:91x3")));
    EXPECT_FALSE(IsLoopbackHost(WithHost("Host: ")));
    // Spellings the request parser would not take as a header are checked all the same.
    EXPECT_FALSE(IsLoopbackHost(WithHost("host: evil.example")));
    EXPECT_FALSE(IsLoopbackHost(WithHost("Host:evil.example")));
    EXPECT_FALSE(IsLoopbackHost(WithHost("Host: localhost\r\nHost: evil.example")));
    EXPECT_FALSE(IsLoopbackHost(WithHost("Broken\r\nHost: evil.example")));
}

} // namespace
} // namespace tamberlink
