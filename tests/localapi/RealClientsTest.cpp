#include "ApiTestSupport.h"

#include "localapi/LocalApi.h"

#include <QProcess>

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <unistd.h>

#include <thread>

namespace tamberlink {
namespace {

using namespace test;
using Kind = LocalApiRequest::Kind;

constexpr std::string_view kHtml = "text/html;charset=gbk";
constexpr std::string_view kJson = "application/json;charset=gbk";

std::string Body(int code, std::string_view message) {
    return "{\"code\":" + std::to_string(code) + ", \"msg\":" + Gbk(message) + "}";
}

// Runs a program to its end and returns what it wrote, or fails the test.
std::string RunToEnd(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        ADD_FAILURE() << program.toStdString() << " did not finish";
        return {};
    }
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    return process.readAllStandardOutput().toStdString();
}

class RealClientsTest : public ::testing::Test {
protected:
    void SetUp() override {
        host_.connected = true;
        host_.linked = true;
        ASSERT_TRUE(api_.StartServer(0));
    }
    QString Url(const std::string& pathAndQuery) const {
        return QString::fromStdString("http://127.0.0.1:" + std::to_string(api_.Port()) +
                                      pathAndQuery);
    }

    FakeHost host_;
    LocalApi api_{host_};
};

TEST_F(RealClientsTest, CurlAsksTwiceOverOneConnection) {
    const CurlResult result =
        RunCurl({"-w", "[%{num_connects}]", Url("/api/call?type=tel&number=800"),
                 Url("/api/record?cmd=mode&value=hand")});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.output, ReplyOf(Body(0, "固话拨号成功"), kHtml) + "[1]" +
                                 ReplyOf(Body(0, "设置录音模式成功，非自动录音状态"), kJson) +
                                 "[0]");
    ASSERT_EQ(host_.Taken().size(), 2u);
    EXPECT_EQ(host_.Taken()[0].first, "800");
    EXPECT_EQ(host_.Taken()[1].kind, Kind::RecordMode);
}

// Python's http.client sends the head, then the body in two more writes; a second request
// goes over the same connection. Each reply is written back as it came, from http.client's
// record of the status line and the headers in their order.
TEST_F(RealClientsTest, PythonSendsHeadAndBodyInSeparateWrites) {
    const char* script = R"(
import http.client, sys, time
port, body = int(sys.argv[1]), sys.argv[2].encode()
c = http.client.HTTPConnection('127.0.0.1', port, timeout=30)
def reply():
    r = c.getresponse()
    head = 'HTTP/%d.%d %d %s\r\n' % (r.version // 10, r.version % 10, r.status, r.reason)
    head += ''.join('%s: %s\r\n' % item for item in r.msg.items()) + '\r\n'
    sys.stdout.buffer.write(head.encode('latin-1') + r.read() + b'|')
c.putrequest('POST', '/api/sms', skip_accept_encoding=True)
c.putheader('Content-Type', 'application/x-www-form-urlencoded')
c.putheader('Content-Length', str(len(body)))
c.endheaders()
time.sleep(0.2)
c.send(body[:7])
time.sleep(0.2)
c.send(body[7:])
reply()
first = c.sock
c.request('GET', '/api/record?cmd=control&value=start')
reply()
sys.stdout.write('same connection' if c.sock is first else 'new connection')
)";
    const std::string data = R"({"size":1,"list":[{"number":"13900000000"}],"content":"hi"})";
    const std::string output = RunToEnd("python3", {"-c", script, QString::number(api_.Port()),
                                                    QString::fromStdString("data=" + data)});
    EXPECT_EQ(output, ReplyOf(Body(0, "短信发送请求已受理"), kJson) + "|" +
                          ReplyOf(Body(0, "设置录音成功，录音开始"), kJson) + "|same connection");
    ASSERT_EQ(host_.Taken().size(), 2u);
    EXPECT_EQ(host_.Taken()[0].kind, Kind::Sms);
    EXPECT_EQ(host_.Taken()[0].first, data);
}

TEST_F(RealClientsTest, ARequestWrittenOneByteEveryTenMillisecondsIsAnswered) {
    const std::string request =
        "GET /api/call?type=mobile&number=13800000000&guid=slow HTTP/1.1\r\n"
        "Host: 127.0.0.1\r\n\r\n";
    const int fd = ConnectLoopback(api_.Port());
    ASSERT_GE(fd, 0);
    for (char byte : request) {
        ASSERT_TRUE(SendAll(fd, std::string_view(&byte, 1)));
        std::this_thread::sleep_for(10ms);
    }
    const Received received = ReadReplies(fd, 1);
    EXPECT_EQ(received.bytes, ReplyOf(Body(0, "手机拨号成功"), kHtml));
    // The connection stays for the next request.
    EXPECT_TRUE(StillOpen(fd));
    close(fd);
    ASSERT_EQ(host_.Taken().size(), 1u);
    EXPECT_EQ(host_.Taken()[0].second, "slow");
}

TEST_F(RealClientsTest, PipelinedRequestsAreAnsweredInOrderOnAKeptConnection) {
    const int fd = ConnectLoopback(api_.Port());
    ASSERT_GE(fd, 0);
    // Three at once, one with a lower-case length and its body; then a fourth later.
    ASSERT_TRUE(SendAll(fd, "GET /api/call?type=tel&number=1 HTTP/1.1\r\nHost: localhost\r\n\r\n"
                            "POST /api/record HTTP/1.1\r\ncontent-length: 22\r\n\r\n"
                            "cmd=control&value=stop"
                            "GET /api/call?type=TEL&number=3 HTTP/1.1\r\n\r\n"));
    Received received = ReadReplies(fd, 3);
    EXPECT_EQ(received.bytes, ReplyOf(Body(0, "固话拨号成功"), kHtml) +
                                  ReplyOf(Body(0, "设置录音失败，录音停止"), kJson) +
                                  ReplyOf(Body(0, "拨号失败，未知的拨号方式"), kHtml));
    ASSERT_TRUE(
        SendAll(fd, "GET /api/call?type=tel&number=4 HTTP/1.1\r\nConnection: close\r\n\r\n"));
    received = ReadUntilClosed(fd);
    EXPECT_TRUE(received.closed);
    EXPECT_EQ(received.bytes, ReplyOf(Body(0, "固话拨号成功"), kHtml));
    close(fd);
    const std::vector<LocalApiRequest> taken = host_.Taken();
    ASSERT_EQ(taken.size(), 3u);
    EXPECT_EQ(taken[0].first, "1");
    EXPECT_EQ(taken[1].first, "stop");
    EXPECT_EQ(taken[2].first, "4");
}

TEST_F(RealClientsTest, ManyPipelinedRequestsToASlowReaderAreAllServedInOrder) {
    // The client's window is small, so replies back up while requests keep coming: the
    // server waits for each reply to go out before it takes the next request.
    constexpr int kRequests = 2000;
    const int fd = ConnectLoopback(api_.Port(), 4096);
    ASSERT_GE(fd, 0);
    std::string many;
    for (int i = 0; i < kRequests; ++i) {
        many += "GET /api/call?type=tel&number=" + std::to_string(1000 + i) + " HTTP/1.1\r\n\r\n";
    }
    std::thread writer([&] { SendAll(fd, many); });
    const Received received = ReadReplies(fd, kRequests, 60s);
    writer.join();
    close(fd);
    EXPECT_EQ(CountReplies(received.bytes), std::size_t{kRequests});
    const std::vector<LocalApiRequest> taken = host_.Taken();
    ASSERT_EQ(taken.size(), std::size_t{kRequests});
    for (int i = 0; i < kRequests; ++i) {
        ASSERT_EQ(taken[i].first, std::to_string(1000 + i));
    }
}

} // namespace
} // namespace tamberlink
