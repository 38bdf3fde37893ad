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

TEST(HttpParser, HeaderNamesMatchWithoutCaseAndALineWithoutColonEndsThem) {
    const CHttpParser parser("GET /a?x=1 HTTP/1.1\r\nHost: localhost\r\nA: 1\r\na: 2\r\n"
                             "Tight:line \r\nBroken line\r\nB: 2\r\n\r\n");
    EXPECT_EQ(parser.GetMethod(), Method::Get);
    EXPECT_EQ(parser.RequestLine(), "GET /a?x=1 HTTP/1.1");
    EXPECT_EQ(*parser.Header("Host"), "localhost");
    EXPECT_EQ(*parser.Header("HOST"), "localhost");
    EXPECT_EQ(*parser.Header("a"), "1");
    EXPECT_EQ(*parser.Header("tight"), "line");
    EXPECT_EQ(parser.Header("Broken line"), nullptr);
    EXPECT_EQ(parser.Header("B"), nullptr);
}

TEST(HttpParser, MeasureFindsWhereEachRequestEnds) {
    using Status = CHttpParser::Frame::Status;
    const auto measure = [](std::string_view data) {
        const CHttpParser::Frame frame = CHttpParser::Measure(data);
        return frame.status == Status::Complete  ? std::to_string(frame.length)
               : frame.status == Status::Bad     ? std::string("bad")
               : frame.status == Status::Invalid ? std::string("invalid")
                                                 : std::string("more");
    };
    const std::string get = "GET /a HTTP/1.1\r\nHost: x\r\n\r\n";
    EXPECT_EQ(measure(""), "more");
    EXPECT_EQ(measure("G"), "more");
    EXPECT_EQ(measure("POS"), "more");
    EXPECT_EQ(measure("GET /a HTTP/1.1\r\nHost: x\r\n\r"), "more");
    EXPECT_EQ(measure(get), std::to_string(get.size()));
    EXPECT_EQ(measure(get + "GET /b"), std::to_string(get.size()));
    EXPECT_EQ(measure("PUT /a HTTP/1.1\r\n\r\n"), "bad");
    EXPECT_EQ(measure("GEt"), "bad");
    EXPECT_EQ(measure("\x16\x03\x01"), "bad");

    // Any spelling of Content-Length, with or without the blank; the body may lag behind.
    for (const char* name : {"Content-Length: ", "content-length: ", "CONTENT-LENGTH:"}) {
        const std::string head = std::string("POST /a HTTP/1.1\r\n") + name + "5\r\n\r\n";
        EXPECT_EQ(measure(head + "ab"), "more") << name;
        EXPECT_EQ(measure(head + "abcdeGET"), std::to_string(head.size() + 5)) << name;
    }
    // A GET's body is taken off the stream too.
    const std::string getWithBody = "GET /a HTTP/1.1\r\nContent-Length: 3\r\n\r\nxyz";
    EXPECT_EQ(measure(getWithBody + "GET"), std::to_string(getWithBody.size()));

    // Lengths that leave the end in doubt, bodies in chunks, and sizes beyond the bound.
    EXPECT_EQ(measure("POST /a HTTP/1.1\r\nContent-Length: 2\r\ncontent-length: 3\r\n\r\nab"),
              "bad");
    const std::string twice =
        "POST /a HTTP/1.1\r\nContent-Length: 2\r\nContent-Length: 2\r\n\r\nab";
    EXPECT_EQ(measure(twice), std::to_string(twice.size()));
    EXPECT_EQ(measure("POST /a HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nab\r\n0\r\n\r\n"),
              "bad");
    EXPECT_EQ(measure("POST /a HTTP/1.1\r\nContent-Length: -1\r\n\r\n"), "bad");
    EXPECT_EQ(measure("POST /a HTTP/1.1\r\nContent-Length: 32768\r\n\r\n"), "bad");
    const std::string longHead =
        "GET /a HTTP/1.1\r\nX: " + std::string(CHttpParser::kMaxRequest, 'x');
    EXPECT_EQ(measure(longHead.substr(0, CHttpParser::kMaxRequest - 1)), "more");
    EXPECT_EQ(measure(longHead), "bad");
}

TEST(HttpParser, KeepAliveFollowsTheVersionAndTheConnectionHeader) {
    const auto keep = [](const std::string& version, const std::string& header) {
        return CHttpParser("GET /a " + version + "\r\n" + header + "\r\n").KeepAlive();
    };
    EXPECT_TRUE(keep("HTTP/1.1", ""));
    EXPECT_TRUE(keep("HTTP/1.1", "Connection: Keep-Alive\r\n"));
    EXPECT_FALSE(keep("HTTP/1.1", "connection: Close\r\n"));
    EXPECT_FALSE(keep("HTTP/1.1", "Connection: TE, close\r\n"));
    EXPECT_FALSE(keep("HTTP/1.0", ""));
    EXPECT_TRUE(keep("HTTP/1.0", "Connection: keep-alive\r\n"));
}

TEST(HttpParser, BodyIsWhatContentLengthAnnounces) {
    const std::string head = "POST /api/sms HTTP/1.1\r\nContent-Length: 10\r\n\r\n";
    // The body refers into the received data, which outlives the parser.
    const std::string longer = head + "data=12345&extra=1";
    const CHttpParser parser(longer);
    EXPECT_EQ(parser.Body(), "data=12345");
    EXPECT_EQ(Param(parser, "extra"), "<missing>");

    // Read like atoi (digits up to the first other character, none at all is 0), except that
    // negative and absurd values refuse the request.
    const std::string trailing = "POST /a HTTP/1.1\r\nContent-Length: 3xyz\r\n\r\nq=1";
    EXPECT_EQ(Param(CHttpParser(trailing), "q"), "1");
    const std::string none = "POST /a HTTP/1.1\r\nContent-Length: abc\r\n\r\nq=1";
    EXPECT_EQ(Param(CHttpParser(none), "q"), "<missing>");
    EXPECT_TRUE(CHttpParser("POST /a HTTP/1.1\r\nContent-Length: -5\r\n\r\nq=1").Path().empty());
    EXPECT_TRUE(CHttpParser("POST /a HTTP/1.1\r\nContent-Length: 99999999999999999999999\r\n\r\nq")
                    .Path()
                    .empty());
    // Only the head is searched for the length.
    EXPECT_EQ(CHttpParser("POST /a HTTP/1.1\r\nX: 1\r\n\r\nContent-Length: 9\r\n").Path(), "/a");
}

TEST(HttpParser, AQueryEvenEmptyWinsAndGetBodiesAreNotRead) {
    const CHttpParser empty("POST /api/record? HTTP/1.1\r\nContent-Length: 8\r\n\r\ncmd=mode");
    EXPECT_EQ(empty.Path(), "/api/record");
    EXPECT_TRUE(empty.Params().Params().empty());
    const CHttpParser get("GET /api/record HTTP/1.1\r\n\r\ncmd=mode");
    EXPECT_EQ(get.Path(), "/api/record");
    EXPECT_TRUE(get.Params().Params().empty());
}

TEST(HttpParser, RefusedRequestsLeaveNothingBehind) {
    const std::string refused[] = {
        "GET /api/call?number=12 HTTP/1.1\r\nUser-Agent: a'b\r\n\r\n",
        "POST /a HTTP/1.1\r\nContent-Length: 6\r\n\r\ndata='",
        "HEAD /api/call?type=tel HTTP/1.1\r\n\r\n",
        "get /api/call?type=tel HTTP/1.1\r\n\r\n",
        "GETX /api/call HTTP/1.1\r\n\r\n",
        "POSTX /api/call HTTP/1.1\r\n\r\n",
        "GET /api/call?type=tel\r\n\r\n",
        "GET /" + std::string(CHttpParser::kMaxRequest, 'a') + " HTTP/1.1\r\n\r\n",
        "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nok",
        "",
        std::string("\x00\xff\x16\x03\x01\r\n\r\n", 9),
    };
    for (const std::string& data : refused) {
        const CHttpParser parser(data);
        EXPECT_EQ(parser.GetMethod(), Method::None) << data.substr(0, 60);
        EXPECT_TRUE(parser.Path().empty() && parser.Params().Params().empty() &&
                    parser.RequestLine().empty())
            << data.substr(0, 60);
    }
    EXPECT_EQ(CHttpParser("GET / HTTP\r\n\r\n").Path(), "/");
    const std::string fits = "/" + std::string(CHttpParser::kMaxRequest - 20, 'a');
    EXPECT_EQ(CHttpParser("GET " + fits + " HTTP/1.1\r\n\r\n").Path(), fits);
    // A status line is recognised but names no path, so no route takes it.
    const CHttpParser status("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok");
    EXPECT_EQ(status.GetMethod(), Method::Status);
    EXPECT_TRUE(status.Path().empty());
}

TEST(HttpParamParser, KeepsNamesAndValuesExactlyAsReceived) {
    CHttpParamParser params;
    params.Parse("&name=a%20b&plus=1+2&Name=upper&name=second&eq=x=y&empty=&=5&1a=2&_id=3&+b=5&&");
    EXPECT_EQ(params.Params(), (std::map<std::string, std::string, std::less<>>{
                                   {"name", "a%20b"},
                                   {"plus", "1+2"},
                                   {"Name", "upper"},
                                   {"eq", "x=y"},
                                   {"empty", ""},
                                   {"a", "2"},
                                   {"id", "3"},
                                   {"+b", "5"},
                               }));
}

TEST(HttpParamParser, PiecesWithoutEqualsAreSkippedSafely) {
    for (const auto& [text, expected] : std::vector<std::pair<std::string, std::string>>{
             {"a&b=1", "b=1;"}, {"alone&again", ""}, {"x=1&tail", "x=1;"}, {"a&&b", ""}}) {
        CHttpParamParser params;
        params.Parse(text);
        std::string got;
        for (const auto& [name, value] : params.Params()) {
            got += name + "=" + value + ";";
        }
        EXPECT_EQ(got, expected) << text;
    }
}

TEST(HttpResponseMaker, HeadCarriesTheBodyLengthInBytesAndTheType) {
    EXPECT_EQ(CHttpResponseMaker::Make("ok", CHttpResponseMaker::kHtml),
              "HTTP/1.1 200 OK\r\nContent-Length: 2\r\nContent-Type: text/html;charset=gbk\r\n"
              "Connection: Keep-Alive\r\n\r\nok");
    const std::string gbk = "\xB9\xCC\xBB\xB0"; // 固话: two characters, four bytes
    EXPECT_EQ(CHttpResponseMaker::Make(gbk, CHttpResponseMaker::kJson),
              "HTTP/1.1 200 OK\r\nContent-Length: 4\r\nContent-Type: "
              "application/json;charset=gbk\r\nConnection: Keep-Alive\r\n\r\n" +
                  gbk);
}

TEST(HostGuard, LetsOnlyTheLoopbackNamesThrough) {
    const auto request = [](const std::string& header) {
        return "GET /api/call HTTP/1.1\r\n" + header + "\r\nAccept: */*\r\n\r\n";
    };
    for (const std::string header :
         {"Host: localhost", "Host: LocalHost:9123", "Host: 127.0.0.1", "Host: 127.0.0.1:9123",
          "host:\t127.0.0.1 ", "X-Other: evil"}) {
        EXPECT_TRUE(IsLoopbackHost(request(header))) << header;
    }
    // Spellings the request parser would not take as a header are checked all the same.
    for (const std::string header :
         {"Host: evil.example", "Host: evil.example:9123", "Host: localhost.evil.example",
          "Host: 127.0.0.1.evil.example", "Host: 127.0.0.2",
          "Host: localhost:", "Host: localhost:9x", "Host: ", "host: evil.example",
          "Host:evil.example", "Host: localhost\r\nHost: evil", "Broken\r\nHost: evil.example"}) {
        EXPECT_FALSE(IsLoopbackHost(request(header))) << header;
    }
}

} // namespace
} // namespace tamberlink
