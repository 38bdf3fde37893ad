// The call events of the local API: the time from a caller-ID frame at the virtual box to
// the "incoming" event at each of 64 subscribers of /api/events, and the memory the program
// spends on a subscriber.
//
//   bench_events [rings, default 200]
#include "../../tests/device/BoxSim.h"
#include "../BenchTiming.h"
#include "BenchSupport.h"
#include "app/AppCore.h"
#include "localapi/EventStream.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using tamberlink::bench::Serve;
using Clock = std::chrono::steady_clock;
constexpr std::size_t kSubscribers = tamberlink::EventStream::kMaxSubscribers;
using tamberlink::bench::Connect;
using tamberlink::bench::ResidentKilobytes;

// Reads every subscriber and notes when each "incoming" event arrives.
class Subscribers {
public:
    explicit Subscribers(std::uint16_t port) {
        for (std::size_t i = 0; i < kSubscribers; ++i) {
            const int fd = Connect(port);
            const std::string request = "GET /api/events HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
            if (fd < 0 || send(fd, request.data(), request.size(), MSG_NOSIGNAL) < 0) {
                std::fprintf(stderr, "cannot subscribe\n");
                std::exit(1);
            }
            fds_.push_back(fd);
        }
        arrivals_.resize(kSubscribers);
        ends_.resize(kSubscribers);
        pending_.resize(kSubscribers);
        reader_ = std::thread([this] { Read(); });
    }
    ~Subscribers() {
        stop_ = true;
        reader_.join();
        for (int fd : fds_) {
            close(fd);
        }
    }
    bool AllStreaming() const { return streaming_ == kSubscribers; }
    // Subscribers that have seen at least `count` incoming events.
    std::size_t Seen(std::size_t count) const {
        std::lock_guard lock(mutex_);
        return std::size_t(std::count_if(arrivals_.begin(), arrivals_.end(),
                                         [count](const auto& a) { return a.size() >= count; }));
    }
    // Subscribers that have seen at least `count` ends of calls.
    std::size_t Ended(std::size_t count) const {
        std::lock_guard lock(mutex_);
        return std::size_t(std::count_if(ends_.begin(), ends_.end(),
                                         [count](std::size_t seen) { return seen >= count; }));
    }
    Clock::time_point Arrival(std::size_t subscriber, std::size_t event) const {
        std::lock_guard lock(mutex_);
        return arrivals_[subscriber][event];
    }

private:
    void Read() {
        std::vector<pollfd> waits;
        for (int fd : fds_) {
            waits.push_back({fd, POLLIN, 0});
        }
        char buffer[16384];
        while (!stop_) {
            if (poll(waits.data(), waits.size(), 50) <= 0) {
                continue;
            }
            const Clock::time_point now = Clock::now();
            for (std::size_t i = 0; i < waits.size(); ++i) {
                if ((waits[i].revents & POLLIN) == 0) {
                    continue;
                }
                const ssize_t n = recv(fds_[i], buffer, sizeof buffer, 0);
                if (n <= 0) {
                    continue;
                }
                std::string& text = pending_[i];
                text.append(buffer, std::size_t(n));
                if (text.find("text/event-stream") != std::string::npos &&
                    text.find("\r\n\r\n") != std::string::npos) {
                    const std::size_t head = text.find("\r\n\r\n");
                    text.erase(0, head + 4);
                    ++streaming_;
                }
                std::lock_guard lock(mutex_);
                // Events in the order they came: the time of each incoming call, and the ends.
                for (std::size_t at = text.find("event: "); at != std::string::npos;
                     at = text.find("event: ")) {
                    if (text.compare(at, 16, "event: incoming\n") == 0) {
                        arrivals_[i].push_back(now);
                    } else if (text.compare(at, 13, "event: ended\n") == 0) {
                        ++ends_[i];
                    } else if (text.find('\n', at) == std::string::npos) {
                        break; // the rest of its name is still on its way
                    }
                    text.erase(0, at + 7);
                }
                if (text.size() > 4096) {
                    text.erase(0, text.size() - 64);
                }
            }
        }
    }

    std::vector<int> fds_;
    std::vector<std::string> pending_;
    mutable std::mutex mutex_;
    std::vector<std::vector<Clock::time_point>> arrivals_;
    std::vector<std::size_t> ends_;
    std::atomic<std::size_t> streaming_{0};
    std::atomic<bool> stop_{false};
    std::thread reader_;
};

double Percentile(std::vector<double> values, double fraction) {
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, std::size_t(fraction * double(values.size())))];
}

} // namespace

int main(int argc, char** argv) {
    const int rings = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
    QCoreApplication app(argc, argv);
    QTemporaryDir docs;
    tamberlink::test::BoxSim box;
    if (!box.Running()) {
        std::fprintf(stderr, "the virtual box did not start\n");
        return 1;
    }
    tamberlink::AppConfig config;
    config.documentsFolder = docs.path();
    config.dataFolder = QStringLiteral(TAMBERLINK_BIN_DIR "/Data");
    config.localApiPort = 0;
    // The start-up version check stays on this machine.
    config.cloudBaseUrl = QStringLiteral("http://127.0.0.1:9/");
    config.cookieFolder = docs.path();
    tamberlink::AppCore core(config);
    if (!core.Start() || !core.StartDeviceLink(QString::fromStdString(box.PortPath())) ||
        !Serve([&] { return core.IsBoxConnected(); }, 30000)) {
        std::fprintf(stderr, "the core did not reach the box\n");
        return 1;
    }
    Serve([] { return false; }, 1000);
    const long before = ResidentKilobytes("self");
    Subscribers subscribers(core.LocalApiPort());
    if (!Serve([&] { return subscribers.AllStreaming(); }, 30000)) {
        std::fprintf(stderr, "the subscribers did not get their streams\n");
        return 1;
    }
    Serve([] { return false; }, 500);
    const long after = ResidentKilobytes("self");

    std::vector<double> latencies;
    for (int ring = 0; ring < rings; ++ring) {
        // The box answers its command once it has written the frame to the line.
        box.Command("ring 1380000" + std::to_string(1000 + ring));
        const Clock::time_point sent = Clock::now();
        if (!Serve([&] { return subscribers.Seen(std::size_t(ring) + 1) == kSubscribers; },
                   10000)) {
            std::fprintf(stderr, "ring %d did not reach every subscriber\n", ring);
            return 1;
        }
        for (std::size_t s = 0; s < kSubscribers; ++s) {
            latencies.push_back(std::chrono::duration<double, std::milli>(
                                    subscribers.Arrival(s, std::size_t(ring)) - sent)
                                    .count());
        }
        // The call ends before the next one rings, as calls do.
        box.Command("state 14");
        if (!Serve([&] { return subscribers.Ended(std::size_t(ring) + 1) == kSubscribers; },
                   10000)) {
            std::fprintf(stderr, "the end of call %d did not reach every subscriber\n", ring);
            return 1;
        }
    }
    std::printf("caller-ID frame at the box to the incoming event, %zu subscribers, %d rings\n",
                kSubscribers, rings);
    std::printf("latency    p50 %.2f ms   p99 %.2f ms   max %.2f ms   (target: p99 under 5 ms)\n",
                Percentile(latencies, 0.5), Percentile(latencies, 0.99),
                Percentile(latencies, 1.0));
    std::printf("memory     %.1f KB per subscriber (RSS %.1f MB with %zu, %.1f MB before)\n",
                double(after - before) / double(kSubscribers), after / 1024.0, kSubscribers,
                before / 1024.0);
    core.Shutdown();
    return 0;
}
