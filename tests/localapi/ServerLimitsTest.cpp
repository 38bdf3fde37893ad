#include "ApiTestSupport.h"

#include "localapi/ConnectionServer.h"
#include "localapi/LocalApi.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <ifaddrs.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <future>
#include <thread>

namespace tamberlink {
namespace {

using namespace test;

const std::string kRequest = "GET /api/record?cmd=none HTTP/1.1\r\nHost: localhost\r\n\r\n";

bool IsUnknownCmdReply(const Received& received) {
    return received.closed && received.bytes.starts_with("HTTP/1.1 200 OK\r\n") &&
           received.bytes.ends_with("}");
}

// Waits for `wanted` bytes, then answers with blocks of the given sizes, block i filled with
// 'a' + i % 26, until one is refused, and closes; keeps the message and the results.
class BlockServer : public ConnectionServer {
public:
    ~BlockServer() override { Stop(); }

    std::size_t wanted = 1;
    std::vector<std::size_t> sizes;
    std::vector<bool> results;
    std::string message;
    std::atomic<int> reads{0};
    std::atomic<bool> refused{false};

protected:
    ReadResult OnReadCompleted(Connection& connection, std::string_view received) override {
        ++reads;
        if (received.size() < wanted) {
            return {0, ReadResult::Next::Read};
        }
        message = received;
        results.clear();
        for (std::size_t i = 0; i < sizes.size(); ++i) {
            results.push_back(Send(connection, std::string(sizes[i], char('a' + i % 26))));
            if (!results.back()) {
                refused = true;
                break;
            }
        }
        return {received.size(), ReadResult::Next::Close};
    }
};

TEST(ConnectionServer, GathersAMessageAcrossReadsSendsBlocksAndClosesAfterTheReply) {
    BlockServer server;
    server.sizes = {ConnectionServer::kBlockSize, 10, ConnectionServer::kBlockSize + 1};
    ASSERT_TRUE(server.Start(0));
    const Received received = Exchange(server.Port(), "hello");
    EXPECT_TRUE(received.closed);
    EXPECT_EQ(received.bytes, std::string(ConnectionServer::kBlockSize, 'a') + "bbbbbbbbbb");
    // The handler has returned once its connection left the list.
    EXPECT_TRUE(WaitFor([&] { return server.ConnectionCount() == 0; }));
    EXPECT_EQ(server.results, (std::vector<bool>{true, true, false}));
    EXPECT_EQ(server.message, "hello");

    // A message larger than one read, sent in pieces, is handed over whole.
    std::string big;
    for (int i = 0; i < 3000; ++i) {
        big += std::to_string(i) + ",";
    }
    server.wanted = big.size();
    server.reads = 0;
    const int fd = ConnectLoopback(server.Port());
    for (std::size_t at = 0; at < big.size(); at += 1000) {
        ASSERT_TRUE(SendAll(fd, std::string_view(big).substr(at, 1000)));
        std::this_thread::sleep_for(5ms);
    }
    EXPECT_TRUE(ReadUntilClosed(fd).closed);
    close(fd);
    EXPECT_TRUE(WaitFor([&] { return server.ConnectionCount() == 0; }));
    EXPECT_EQ(server.message, big);
    EXPECT_GT(server.reads, 1);
}

TEST(ConnectionServer, SendsBeyondThePendingLimitAreRefusedAndTheRestArriveInOrder) {
    // The kernel's send buffer takes some blocks first, far fewer than these.
    BlockServer server;
    server.sizes.assign(4000, ConnectionServer::kBlockSize);
    ASSERT_TRUE(server.Start(0));
    // A client with a small window that reads nothing yet: the server's writes stall.
    const int fd = ConnectLoopback(server.Port(), 4096);
    ASSERT_TRUE(SendAll(fd, "go"));
    ASSERT_TRUE(WaitFor([&] { return server.refused.load(); }));
    const Received received = ReadUntilClosed(fd);
    close(fd);
    ASSERT_FALSE(server.results.back());
    const std::size_t accepted = server.results.size() - 1;
    EXPECT_GE(accepted, ConnectionServer::kMaxPendingSends);
    ASSERT_EQ(received.bytes.size(), accepted * ConnectionServer::kBlockSize);
    for (std::size_t i = 0; i < accepted; ++i) {
        ASSERT_EQ(
            received.bytes.substr(i * ConnectionServer::kBlockSize, ConnectionServer::kBlockSize),
            std::string(ConnectionServer::kBlockSize, char('a' + i % 26)))
            << "block " << i;
    }
}

TEST(ConnectionServer, AConnectionThatSendsNothingIsClosedAfterTheIdleLimit) {
    constexpr auto kLimit = 1500ms;
    FakeHost host;
    LocalApi api(host, {.idle = kLimit});
    ASSERT_TRUE(api.StartServer(0));
    const auto start = std::chrono::steady_clock::now();
    const int idle = ConnectLoopback(api.Port());
    ASSERT_GE(idle, 0);
    // A connection that does send is served at once meanwhile.
    EXPECT_TRUE(IsUnknownCmdReply(Exchange(api.Port(), kRequest)));
    std::this_thread::sleep_for(kLimit / 2);
    // Open while the limit has not passed; a test thread held up beyond it by a busy machine
    // has no such moment left to look at.
    if (std::chrono::steady_clock::now() - start < kLimit - 300ms) {
        EXPECT_TRUE(StillOpen(idle));
    }
    const Received received = ReadUntilClosed(idle, 30s);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    close(idle);
    EXPECT_TRUE(received.closed);
    EXPECT_TRUE(received.bytes.empty());
    EXPECT_GE(elapsed, kLimit);
}

TEST(ConnectionServer, UnfinishedRequestsAndIdleKeptConnectionsCloseAtTheIdleLimit) {
    constexpr auto kLimit = 1500ms;
    FakeHost host;
    LocalApi api(host, {.idle = kLimit});
    ASSERT_TRUE(api.StartServer(0));
    const auto start = std::chrono::steady_clock::now();
    const int halfHead = ConnectLoopback(api.Port());
    ASSERT_TRUE(SendAll(halfHead, "GET /api/record?cmd=x HTTP/1.1\r\nHo"));
    const int shortBody = ConnectLoopback(api.Port());
    ASSERT_TRUE(SendAll(shortBody, "POST /api/record HTTP/1.1\r\nContent-Length: 30\r\n\r\ncmd=x"));
    const int kept = ConnectLoopback(api.Port());
    ASSERT_TRUE(SendAll(kept, kRequest));
    const Received reply = ReadReplies(kept, 1);
    EXPECT_FALSE(reply.closed);
    EXPECT_EQ(CountReplies(reply.bytes), 1u);

    // A body longer than its length starts the next request; junk there ends the connection
    // after the reply to what came before it.
    const Received longer = Exchange(
        api.Port(), "POST /api/record HTTP/1.1\r\nContent-Length: 5\r\n\r\ncmd=xJUNK\r\n\r\n");
    EXPECT_TRUE(longer.closed);
    EXPECT_EQ(CountReplies(longer.bytes), 1u);
    EXPECT_TRUE(IsUnknownCmdReply(longer));

    for (int fd : {halfHead, shortBody, kept}) {
        const Received received = ReadUntilClosed(fd, 30s);
        EXPECT_TRUE(received.closed);
        EXPECT_TRUE(received.bytes.empty());
        close(fd);
    }
    EXPECT_GE(std::chrono::steady_clock::now() - start, kLimit);
    EXPECT_TRUE(WaitFor([&] { return api.ConnectionCount() == 0; }));
}

TEST(ConnectionServer, TwoThousandHalfHeadsLeaveTheServerServingAndAreClosedInTime) {
    constexpr int kHalfHeads = ConnectionServer::kMaxConnections - 1;
    if (!EnsureDescriptors(2 * kHalfHeads + 200)) {
        GTEST_SKIP() << "not enough file descriptors for this process";
    }
    FakeHost host;
    LocalApi api(host, {.idle = 8000ms});
    ASSERT_TRUE(api.StartServer(0));
    std::vector<int> held;
    for (int i = 0; i < kHalfHeads; ++i) {
        const int fd = ConnectLoopback(api.Port());
        ASSERT_GE(fd, 0) << "connection " << i;
        ASSERT_TRUE(SendAll(fd, "POST /api/sms HTTP/1.1\r\nContent-Le"));
        held.push_back(fd);
    }
    EXPECT_TRUE(IsUnknownCmdReply(Exchange(api.Port(), kRequest)));
    ASSERT_TRUE(WaitFor([&] { return api.ConnectionCount() == 0; }, 60s));
    for (int fd : held) {
        EXPECT_FALSE(StillOpen(fd));
        close(fd);
    }
}

TEST(ConnectionServer, HoldsTwoThousandConnectionsAndClosesTheNextOnItsFirstData) {
    constexpr int kMax = ConnectionServer::kMaxConnections;
    constexpr int kExtra = 300;
    if (!EnsureDescriptors(2 * (kMax + kExtra) + 200)) {
        GTEST_SKIP() << "not enough file descriptors for this process";
    }
    FakeHost host;
    LocalApi api(host);
    ASSERT_TRUE(api.StartServer(0));
    std::vector<int> held;
    for (int i = 0; i < kMax; ++i) {
        const int fd = ConnectLoopback(api.Port());
        ASSERT_GE(fd, 0) << "connection " << i;
        held.push_back(fd);
    }
    ASSERT_TRUE(WaitFor([&] { return api.ConnectionCount() == kMax; }));

    const int next = ConnectLoopback(api.Port());
    ASSERT_GE(next, 0);
    ASSERT_TRUE(SendAll(next, kRequest));
    const Received refused = ReadUntilClosed(next);
    close(next);
    EXPECT_TRUE(refused.closed);
    EXPECT_TRUE(refused.bytes.empty());

    // The held connections are served: one of them asks and gets its answer.
    ASSERT_TRUE(SendAll(held.back(), kRequest));
    shutdown(held.back(), SHUT_WR);
    EXPECT_TRUE(IsUnknownCmdReply(ReadUntilClosed(held.back())));
    close(held.back());
    held.pop_back();

    // A crowd arriving at once is held within bounds; the rest waits in the listen queue.
    std::vector<int> crowd;
    for (int i = 0; i < kExtra; ++i) {
        const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(api.Port());
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
        crowd.push_back(fd);
    }
    ASSERT_TRUE(
        WaitFor([&] { return api.ConnectionCount() >= kMax + ConnectionServer::kMaxOverflow; }));
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(api.ConnectionCount(), kMax + ConnectionServer::kMaxOverflow);

    // Once the crowd and the held ones go, a new client is served again.
    for (int fd : crowd) {
        close(fd);
    }
    for (int fd : held) {
        close(fd);
    }
    ASSERT_TRUE(WaitFor([&] { return api.ConnectionCount() == 0; }, 60s));
    EXPECT_TRUE(IsUnknownCmdReply(Exchange(api.Port(), kRequest)));
}

TEST(ConnectionServer, IsNotReachableOnOtherAddressesOfThisComputer) {
    FakeHost host;
    LocalApi api(host);
    ASSERT_TRUE(api.StartServer(0));
    ifaddrs* list = nullptr;
    ASSERT_EQ(getifaddrs(&list), 0);
    int tried = 0;
    for (ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
        if (entry->ifa_addr == nullptr || entry->ifa_addr->sa_family != AF_INET) {
            continue;
        }
        sockaddr_in address = *reinterpret_cast<const sockaddr_in*>(entry->ifa_addr);
        if ((ntohl(address.sin_addr.s_addr) >> 24) == 127) {
            continue;
        }
        address.sin_port = htons(api.Port());
        const int fd = socket(AF_INET, SOCK_STREAM, 0);
        EXPECT_NE(connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0)
            << entry->ifa_name;
        close(fd);
        ++tried;
    }
    freeifaddrs(list);
    EXPECT_TRUE(IsUnknownCmdReply(Exchange(api.Port(), kRequest)));
    if (tried == 0) {
        GTEST_SKIP() << "this computer has no address besides loopback";
    }
}

TEST(ConnectionServer, ClientsThatVanishBeforeTheReplyAndStopWhileHandling) {
    FakeHost host;
    host.connected = true;
    host.linked = true;
    auto api = std::make_unique<LocalApi>(host);
    ASSERT_TRUE(api->StartServer(0));
    const std::uint16_t port = api->Port();

    // The core is busy: both workers wait in HandOver while their clients go away.
    host.SetGate(true);
    for (int i = 0; i < ConnectionServer::kWorkers; ++i) {
        const int fd = ConnectLoopback(port);
        ASSERT_TRUE(SendAll(fd, "GET /api/call?type=tel&number=1 HTTP/1.1\r\n\r\n"));
        close(fd);
    }
    ASSERT_TRUE(host.WaitForRequests(ConnectionServer::kWorkers));
    host.SetGate(false);
    EXPECT_TRUE(IsUnknownCmdReply(Exchange(port, kRequest)));

    // Stopping waits for a request the core is still handling, then ends every thread.
    host.SetGate(true);
    const int waiting = ConnectLoopback(port);
    ASSERT_TRUE(SendAll(waiting, "GET /api/record?cmd=mode&value=auto HTTP/1.1\r\n\r\n"));
    ASSERT_TRUE(host.WaitForRequests(ConnectionServer::kWorkers + 1));
    auto stopped = std::async(std::launch::async, [&] { api.reset(); });
    EXPECT_EQ(stopped.wait_for(200ms), std::future_status::timeout);
    host.SetGate(false);
    EXPECT_EQ(stopped.wait_for(20s), std::future_status::ready);
    EXPECT_TRUE(ReadUntilClosed(waiting).closed);
    close(waiting);
    EXPECT_LT(ConnectLoopback(port), 0);
}

} // namespace
} // namespace tamberlink
