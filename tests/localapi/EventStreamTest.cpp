// The event stream of the local API: its messages, replay after a reconnect, keep-alive,
// stalled and surplus clients.
#include "ApiTestSupport.h"

#include "localapi/LocalApi.h"

#include <QProcess>

#include <gtest/gtest.h>

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <regex>
#include <thread>

namespace tamberlink {
namespace {

using namespace test;

constexpr std::string_view kStreamHead = "HTTP/1.1 200 OK\r\nContent-Type: text/event-stream;"
                                         "charset=utf-8\r\nCache-Control: no-cache\r\n"
                                         "Connection: keep-alive\r\n\r\n";

struct StreamEvent {
    std::string id;
    std::string name;
    std::string data;
};

// The events in what a stream sent, after its head when that is there; comments are left
// out.
std::vector<StreamEvent> EventsIn(std::string_view bytes) {
    std::vector<StreamEvent> events;
    const std::size_t head = bytes.find("\r\n\r\n");
    bytes.remove_prefix(head == std::string_view::npos ? 0 : head + 4);
    std::size_t end = 0;
    while ((end = bytes.find("\n\n")) != std::string_view::npos) {
        const std::string_view message = bytes.substr(0, end);
        bytes.remove_prefix(end + 2);
        StreamEvent event;
        std::size_t from = 0;
        while (from < message.size()) {
            std::size_t to = message.find('\n', from);
            to = to == std::string_view::npos ? message.size() : to;
            const std::string_view line = message.substr(from, to - from);
            for (auto [prefix, field] :
                 {std::pair{"id: ", &event.id}, std::pair{"event: ", &event.name},
                  std::pair{"data: ", &event.data}}) {
                if (line.starts_with(prefix)) {
                    *field = line.substr(std::string_view(prefix).size());
                }
            }
            from = to + 1;
        }
        if (!event.id.empty()) {
            events.push_back(event);
        }
    }
    return events;
}

std::vector<std::string> IdsIn(std::string_view bytes) {
    std::vector<std::string> ids;
    for (const StreamEvent& event : EventsIn(bytes)) {
        ids.push_back(event.id);
    }
    return ids;
}

// Reads until `done` holds for what arrived, the server closes, or 20 s pass.
Received ReadUntil(int fd, const std::function<bool(const std::string&)>& done) {
    Received received;
    const auto end = std::chrono::steady_clock::now() + 20s;
    while (!done(received.bytes) && std::chrono::steady_clock::now() < end) {
        pollfd wait{fd, POLLIN, 0};
        if (poll(&wait, 1, 100) <= 0) {
            continue;
        }
        char buffer[8192];
        const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) {
            received.closed = true;
            break;
        }
        received.bytes.append(buffer, static_cast<std::size_t>(n));
    }
    return received;
}

std::vector<std::string> Range(int from, int to) {
    std::vector<std::string> ids;
    for (int id = from; id <= to; ++id) {
        ids.push_back(std::to_string(id));
    }
    return ids;
}

class EventStreamTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(api_->StartServer(0)); }

    // Opens a stream with the extra header lines given; -1 when it cannot connect.
    int Subscribe(const std::string& headers = {}, int receiveBuffer = 0) {
        const int fd = ConnectLoopback(api_->Port(), receiveBuffer);
        if (fd >= 0) {
            SendAll(fd, "GET /api/events HTTP/1.1\r\nHost: 127.0.0.1\r\n" + headers + "\r\n");
        }
        return fd;
    }
    void Publish(int count, const std::string& name = "ended") {
        for (int i = 0; i < count; ++i) {
            host_.events.Publish(name, EventData());
        }
    }
    bool WaitForSubscribers(std::size_t count) {
        return WaitFor([&] { return api_->SubscriberCount() == count; });
    }

    FakeHost host_;
    std::unique_ptr<LocalApi> api_ = MakeApi();

private:
    std::unique_ptr<LocalApi> MakeApi() {
        return std::make_unique<LocalApi>(host_, LocalApi::Limits{.keepAlive = 300ms});
    }
};

TEST(CallEvents, EachEventIsNumberedStampedAndWrittenOnOneLine) {
    CallEvents events;
    EXPECT_EQ(events.NewestId(), 0u);
    EXPECT_EQ(events.Publish("incoming", EventData()
                                             .Text("number", "010\"8\\8\n\r\t\x01")
                                             .Text("name", "张三")
                                             .Texts("numbers", {"1", "2"})
                                             .Integer("length", -3)
                                             .Number("duration", 2.5)
                                             .Flag("connected", true)),
              1u);
    std::string text;
    std::uint64_t last = 0;
    ASSERT_TRUE(events.CopyAfter(last, 1, text));
    EXPECT_EQ(last, 1u);
    const std::regex expected(
        R"(id: 1\nevent: incoming\ndata: \{"time":"\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d[+-]\d\d:\d\d",)"
        R"("number":"010\\"8\\\\8\\n\\r\\t\\u0001","name":"张三","numbers":\["1","2"\],)"
        R"("length":-3,"duration":2\.500,"connected":true\}\n\n)");
    EXPECT_TRUE(std::regex_match(text, expected)) << text;
}

TEST(CallEvents, KeepsTheNewestThousandAndSaysWhenTheNextIsGone) {
    CallEvents events;
    for (int i = 0; i < 1200; ++i) {
        events.Publish("ended", EventData());
    }
    EXPECT_EQ(events.NewestId(), 1200u);
    EXPECT_EQ(events.OldestId(), 201u);
    std::string text;
    std::uint64_t last = 199;
    EXPECT_FALSE(events.CopyAfter(last, 100000, text));
    EXPECT_TRUE(text.empty());
    last = 200;
    ASSERT_TRUE(events.CopyAfter(last, 1, text));
    EXPECT_EQ(last, 201u);
    EXPECT_EQ(IdsIn(text), std::vector<std::string>{"201"});
    last = 1200;
    ASSERT_TRUE(events.CopyAfter(last, 100000, text));
    EXPECT_EQ(last, 1200u);
}

TEST_F(EventStreamTest, CurlFollowsTheEventsAsTheyHappen) {
    Publish(2); // before the client: not for it
    QProcess curl;
    curl.start("curl", {"-N", "-s", "--noproxy", "*", "--max-time", "60",
                        QStringLiteral("http://127.0.0.1:%1/api/events").arg(api_->Port())});
    ASSERT_TRUE(curl.waitForStarted());
    ASSERT_TRUE(WaitForSubscribers(1));
    host_.events.Publish("incoming", EventData().Text("number", "13800000000"));
    host_.events.Publish("ended", EventData());
    std::string output;
    ASSERT_TRUE(WaitFor([&] {
        curl.waitForReadyRead(100);
        output += curl.readAllStandardOutput().toStdString();
        return EventsIn(output).size() == 2;
    }));
    curl.kill();
    curl.waitForFinished();
    const std::vector<StreamEvent> events = EventsIn(output);
    EXPECT_EQ(events[0].id, "3");
    EXPECT_EQ(events[0].name, "incoming");
    EXPECT_NE(events[0].data.find(R"("number":"13800000000")"), std::string::npos);
    EXPECT_EQ(events[1].id, "4");
    EXPECT_EQ(events[1].name, "ended");
    EXPECT_TRUE(WaitForSubscribers(0));
}

TEST_F(EventStreamTest, ALastEventIdReplaysExactlyTheMissedEventsThenTheLiveOnes) {
    const int first = Subscribe();
    ASSERT_TRUE(WaitForSubscribers(1));
    Publish(5);
    Received seen = ReadUntil(first, [](const std::string& b) { return IdsIn(b).size() == 5; });
    ASSERT_TRUE(seen.bytes.starts_with(kStreamHead));
    EXPECT_EQ(IdsIn(seen.bytes), Range(1, 5));
    close(first);
    ASSERT_TRUE(WaitForSubscribers(0));

    // Away while 6 to 8 happen; back with the last id seen.
    Publish(3);
    const int again = Subscribe("Last-Event-ID: 5\r\n");
    seen = ReadUntil(again, [](const std::string& b) { return IdsIn(b).size() == 3; });
    EXPECT_EQ(IdsIn(seen.bytes), Range(6, 8));
    Publish(1);
    seen = ReadUntil(again, [](const std::string& b) { return IdsIn(b).size() == 1; });
    EXPECT_EQ(IdsIn(seen.bytes), Range(9, 9));
    close(again);
}

TEST_F(EventStreamTest, OddLastEventIdsFollowTheStreamsRules) {
    Publish(1100);
    // Not an id: the live stream only. An id never given (beyond the newest), or one older
    // than what is kept: a reset (under the newest id), then the live stream.
    const std::pair<std::string, std::vector<std::string>> cases[] = {
        {"Last-Event-ID: -1\r\n", {"1101"}},
        {"Last-Event-ID: abc\r\n", {"1101"}},
        {"Last-Event-ID: \r\n", {"1101"}},
        {"Last-Event-ID: 99999999999999999999999\r\n", {"1101"}},
        {"Last-Event-ID: 1098\r\n", {"1099", "1100", "1101"}},
        {"Last-Event-ID: 5000000\r\n", {"1100", "1101"}},
        {"Last-Event-ID: 3\r\n", {"1100", "1101"}},
    };
    std::vector<int> clients;
    for (const auto& [header, expected] : cases) {
        clients.push_back(Subscribe(header));
    }
    ASSERT_TRUE(WaitForSubscribers(std::size(cases)));
    // The next event pushes the oldest kept one out: the replays have begun before it, as
    // they would have for a client that came a moment earlier.
    std::vector<std::string> seen(std::size(cases));
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        if (cases[i].second.size() > 1) {
            seen[i] =
                ReadUntil(clients[i], [](const std::string& b) { return !IdsIn(b).empty(); }).bytes;
        }
    }
    Publish(1);
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const std::vector<std::string>& expected = cases[i].second;
        seen[i] += ReadUntil(clients[i], [&](const std::string& b) {
                       return IdsIn(seen[i] + b).size() >= expected.size();
                   }).bytes;
        EXPECT_EQ(IdsIn(seen[i]), expected) << cases[i].first;
        close(clients[i]);
    }
}

TEST_F(EventStreamTest, AnIdleStreamGetsAKeepAliveComment) {
    const int fd = Subscribe();
    const Received seen = ReadUntil(
        fd, [](const std::string& b) { return b.find(": keep-alive\n\n") != std::string::npos; });
    EXPECT_EQ(seen.bytes, std::string(kStreamHead) + ": keep-alive\n\n");
    close(fd);
}

TEST_F(EventStreamTest, AStalledClientIsDroppedWithoutHoldingUpAnother) {
    // One client never reads, with a small window; the other reads all along and is never
    // far behind: the events come in bursts, each once the reader has the one before.
    const int stalled = Subscribe({}, 4096);
    const int reader = Subscribe();
    ASSERT_TRUE(WaitForSubscribers(2));
    std::string got;
    std::atomic<std::size_t> seen{0};
    std::atomic<bool> done{false};
    std::thread reading([&] {
        std::size_t scanned = 0;
        std::size_t count = 0;
        while (!done) {
            pollfd wait{reader, POLLIN, 0};
            char buffer[8192];
            if (poll(&wait, 1, 50) > 0) {
                const ssize_t n = recv(reader, buffer, sizeof buffer, 0);
                if (n <= 0) {
                    return;
                }
                got.append(buffer, std::size_t(n));
                // Each event ends its data with "}" and an empty line.
                for (std::size_t at = 0; (at = got.find("}\n\n", scanned)) != std::string::npos;
                     scanned = at + 3) {
                    ++count;
                }
                seen = count;
            }
        }
    });
    constexpr int kEvents = 3000;
    for (int burst = 0; burst < kEvents / 100; ++burst) {
        for (int i = 0; i < 100; ++i) {
            host_.events.Publish("incoming", EventData().Text("number", std::string(200, '1')));
        }
        ASSERT_TRUE(WaitFor([&] { return seen == std::size_t(burst + 1) * 100; }));
    }
    done = true;
    reading.join();
    EXPECT_EQ(IdsIn(got), Range(1, kEvents));
    EXPECT_TRUE(WaitForSubscribers(1));
    // What the stalled client gets ends where it fell behind: the connection is closed.
    const Received rest = ReadUntilClosed(stalled, 30s);
    EXPECT_TRUE(rest.closed);
    EXPECT_LT(IdsIn(rest.bytes).size(), std::size_t(kEvents));
    close(stalled);
    close(reader);
}

TEST_F(EventStreamTest, AtMostSixtyFourClientsAndComingAndGoingLeavesNothingBehind) {
    std::vector<int> clients;
    for (std::size_t i = 0; i < EventStream::kMaxSubscribers; ++i) {
        clients.push_back(Subscribe());
    }
    ASSERT_TRUE(WaitForSubscribers(EventStream::kMaxSubscribers));
    const int surplus = Subscribe("Connection: close\r\n");
    const Received refused = ReadUntilClosed(surplus);
    close(surplus);
    EXPECT_EQ(refused.bytes, ReplyOf(Body(-1, "订阅失败，订阅者已达上限"), kJson));
    for (int fd : clients) {
        close(fd);
    }
    ASSERT_TRUE(WaitForSubscribers(0));

    for (int i = 0; i < 1000; ++i) {
        const int fd = Subscribe();
        ASSERT_GE(fd, 0);
        close(fd);
    }
    // The stream still serves. Some of those clients may still wait to be accepted, so this
    // one names the id it last saw and gets the event whenever it is taken on; connections
    // are accepted in order, so once it is served the 1000 before it have been too.
    const int fd = Subscribe("Last-Event-ID: 0\r\n");
    Publish(1);
    EXPECT_EQ(IdsIn(ReadUntil(fd, [](const std::string& b) { return !IdsIn(b).empty(); }).bytes),
              std::vector<std::string>{"1"});
    close(fd);
    EXPECT_TRUE(WaitForSubscribers(0));
    EXPECT_TRUE(WaitFor([&] { return api_->ConnectionCount() == 0; }));
}

} // namespace
} // namespace tamberlink
