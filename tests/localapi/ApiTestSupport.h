#pragma once

#include "localapi/ApiHost.h"
#include "localapi/CallEvents.h"

#include <QStringList>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace tamberlink::test {

using namespace std::chrono_literals;

// Client sockets to 127.0.0.1, blocking; -1 when the connection fails. A receive buffer
// size, when given, is set before connecting.
int ConnectLoopback(std::uint16_t port, int receiveBuffer = 0);
bool SendAll(int fd, std::string_view bytes);

struct Received {
    std::string bytes;
    bool closed = false; // the server closed (or reset) the connection
};
// Reads until the server closes the connection or `deadline` has passed.
Received ReadUntilClosed(int fd, std::chrono::milliseconds deadline = 20s);
// Reads until `count` whole replies (head and the body its Content-Length announces) have
// arrived, the server closes, or `deadline` has passed.
Received ReadReplies(int fd, std::size_t count, std::chrono::milliseconds deadline = 20s);
// The number of whole replies at the start of `bytes`.
std::size_t CountReplies(std::string_view bytes);
// Connects, sends `request` in one piece, ends the sending side (the server answers what
// came whole, then closes) and reads until closed.
Received Exchange(std::uint16_t port, std::string_view request);
// True while nothing has arrived and the connection is still open.
bool StillOpen(int fd);

struct CurlResult {
    int exitCode = -1;
    std::string output;
};
// Runs curl quietly with the given arguments, ignoring any proxy settings.
CurlResult RunCurl(const QStringList& arguments);

// Polls `condition` until it holds or `deadline` has passed.
bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds deadline = 20s);

// Raises the soft descriptor limit to at least `count`; false when the hard limit is lower.
bool EnsureDescriptors(std::size_t count);

// The content types of the answers.
inline constexpr std::string_view kHtml = "text/html;charset=gbk";
inline constexpr std::string_view kJson = "application/json;charset=gbk";

// The expected reply: status 200, the body's length, the type, Keep-Alive, the body.
std::string ReplyOf(std::string_view body, std::string_view contentType);
// The GBK bytes of a UTF-8 text.
std::string Gbk(std::string_view utf8);
// An answer's body: {"code":CODE, "msg":MESSAGE} with the message in GBK.
std::string Body(int code, std::string_view message);

// A core stand-in: device flags set by the test, requests recorded, a gate that, while
// closed, holds HandOver until the test opens it, the events of the stream, and the user's
// answers for web pages (questions without one wait until the test answers them).
class FakeHost : public ApiHost {
public:
    std::atomic<bool> connected{false};
    std::atomic<bool> linked{false};
    CallEvents events;

    bool IsConnected() const override { return connected; }
    bool IsPhoneLinked() const override { return linked; }
    void HandOver(const LocalApiRequest& request) override;
    CallEvents& Events() override { return events; }
    // A question's ticket is its number, counted from 1.
    std::uint64_t AskOrigin(const std::string& origin, ApiPurpose purpose,
                            std::function<void(bool)> answer) override;
    void WithdrawAsk(std::uint64_t ticket) override;

    // The answer remembered for `origin`.
    void Remember(const std::string& origin, bool allowed);
    // The questions put so far, in order.
    std::vector<std::pair<std::string, ApiPurpose>> Questions() const;
    bool WaitForQuestions(std::size_t count) const;
    // Answers every open question.
    void Answer(bool allowed);
    // The tickets of the requests that stopped waiting, in order.
    std::vector<std::uint64_t> Withdrawn() const;

    std::vector<LocalApiRequest> Taken() const;
    void Clear();
    void SetGate(bool closed);
    // Waits until `count` requests are inside (or through) HandOver.
    bool WaitForRequests(std::size_t count) const;

private:
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    bool gateClosed_ = false;
    std::vector<LocalApiRequest> taken_;
    std::map<std::string, bool> remembered_;
    std::vector<std::pair<std::string, ApiPurpose>> questions_;
    std::vector<std::function<void(bool)>> open_;
    std::vector<std::uint64_t> withdrawn_;
};

} // namespace tamberlink::test
