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

// Answers every connection with the sends a test asks for, and records their results.
class EchoServer : public ConnectionServer {
public:
    using ConnectionServer::ConnectionServer;
    ~EchoServer() override { Stop(); }

    std::vector<std::size_t> sizes;
    std::vector<bool> results;
    std::string firstData;

protected:
    void OnConnectionEstablished(Connection& connection, std::string_view data) override {
        firstData = data;
        for (std::size_t size : sizes) {
            results.push_back(Send(connection, std::string(size, 'x')));
        }
    }
};

TEST(ConnectionServer, SendTakesAtMostOneBlockAndClosesAfterTheReply) {
    EchoServer server;
    server.sizes = {ConnectionServer::kBlockSize + 1, ConnectionServer::kBlockSize, 10};
    ASSERT_TRUE(server.Start(0));
    const Received received = Exchange(server.Port(), "hello");
    EXPECT_TRUE(received.closed);
    EXPECT_EQ(received.bytes, std::string(ConnectionServer::kBlockSize + 10, 'x'));
    EXPECT_EQ(server.results, (std::vector<bool>{false, true, true}));
    EXPECT_EQ(server.firstData, "hello");
    EXPECT_TRUE(WaitFor([&] { return server.ConnectionCount() == 0; }));
}

// Queues numbered blocks until the connection refuses one. The kernel's send buffer takes
// some first (how many depends on its tuning), far fewer than kMostBlocks.
class FloodServer : public ConnectionServer {
public:
    static constexpr int kMostBlocks = 4000;

    ~FloodServer() override { Stop(); }

    std::atomic<int> accepted{0};
    std::atomic<int> refusedAt{-1};

protected:
    void OnConnectionEstablished(Connection& connection, std::string_view) override {
        for (int i = 0; i < kMostBlocks; ++i) {
            if (!Send(connection, std::string(kBlockSize, static_cast<char>('a' + i % 26)))) {
                refusedAt = i;
                return;
            }
            ++accepted;
        }
    }
};

TEST(ConnectionServer, SendsBeyondThePendingLimitAreRefusedAndTheRestArriveInOrder) {
    FloodServer server;
    ASSERT_TRUE(server.Start(0));
    // A client with a small window that reads nothing yet: the server's writes stall.
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    const int small = 4096;
    setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(server.Port());
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_TRUE(SendAll(fd, "go"));
    ASSERT_TRUE(WaitFor([&] { return server.refusedAt >= 0; }));
    EXPECT_GE(server.accepted, static_cast<int>(ConnectionServer::kMaxPendingSends));
    EXPECT_LT(server.accepted, FloodServer::kMostBlocks);

    const Received received = ReadUntilClosed(fd);
    close(fd);
    EXPECT_TRUE(received.closed);
    ASSERT_EQ(received.bytes.size(), server.accepted * ConnectionServer::kBlockSize);
    for (int i = 0; i < server.accepted; ++i) {
        EXPECT_EQ(
            received.bytes.substr(i * ConnectionServer::kBlockSize, ConnectionServer::kBlockSize),
            std::string(ConnectionServer::kBlockSize, static_cast<char>('a' + i % 26)))
            << "block " << i;
    }
}

TEST(ConnectionServer, FirstDataIsCutAtTheLimit) {
    EchoServer server;
    ASSERT_TRUE(server.Start(0));
    const int fd = ConnectLoopback(server.Port());
    ASSERT_GE(fd, 0);
    ASSERT_TRUE(SendAll(fd, std::string(6000, 'a')));
    EXPECT_TRUE(ReadUntilClosed(fd).closed);
    close(fd);
    EXPECT_GT(server.firstData.size(), 0u);
    EXPECT_LE(server.firstData.size(), ConnectionServer::kFirstDataLimit);
}

TEST(ConnectionServer, AConnectionThatSendsNothingIsClosedAfterTheIdleLimit) {
    constexpr auto kLimit = 1500ms;
    FakeHost host;
    LocalApi api(host, kLimit);
    ASSERT_TRUE(api.StartServer(0));
    const auto start = std::chrono::steady_clock::now();
    const int idle = ConnectLoopback(api.Port());
    ASSERT_GE(idle, 0);
    // A connection that does send is served at once meanwhile.
    EXPECT_TRUE(IsUnknownCmdReply(Exchange(api.Port(), kRequest)));
    std::this_thread::sleep_for(kLimit / 2);
    EXPECT_TRUE(StillOpen(idle));
    const Received received = ReadUntilClosed(idle, 30s);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    close(idle);
    EXPECT_TRUE(received.closed);
    EXPECT_TRUE(received.bytes.empty());
    EXPECT_GE(elapsed, kLimit);
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
    host.SetDevice(true, true);
    auto api = std::make_unique<LocalApi>(host);
    ASSERT_TRUE(api->StartServer(0));
    const std::uint16_t port = api->Port();

    // The core is busy: both workers wait in HandOver while their clients go away.
    host.CloseGate();
    for (int i = 0; i < ConnectionServer::kWorkers; ++i) {
        const int fd = ConnectLoopback(port);
        ASSERT_TRUE(SendAll(fd, "GET /api/call?type=tel&number=1 HTTP/1.1\r\n\r\n"));
        close(fd);
    }
    ASSERT_TRUE(host.WaitForRequests(ConnectionServer::kWorkers));
    host.OpenGate();
    EXPECT_TRUE(IsUnknownCmdReply(Exchange(port, kRequest)));

    // Stopping waits for a request the core is still handling, then ends every thread.
    host.CloseGate();
    const int waiting = ConnectLoopback(port);
    ASSERT_TRUE(SendAll(waiting, "GET /api/record?cmd=mode&value=auto HTTP/1.1\r\n\r\n"));
    ASSERT_TRUE(host.WaitForRequests(ConnectionServer::kWorkers + 1));
    auto stopped = std::async(std::launch::async, [&] { api.reset(); });
    EXPECT_EQ(stopped.wait_for(200ms), std::future_status::timeout);
    host.OpenGate();
    EXPECT_EQ(stopped.wait_for(20s), std::future_status::ready);
    EXPECT_TRUE(ReadUntilClosed(waiting).closed);
    close(waiting);
    EXPECT_LT(ConnectLoopback(port), 0);
}

} // namespace
} // namespace tamberlink
