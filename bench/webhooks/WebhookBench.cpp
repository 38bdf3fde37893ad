// Webhooks: the time from a caller-ID frame at the virtual box to the "incoming" delivery,
// its signature checked, at a receiver on the loopback; and the memory that 1,000
// deliveries queued for an endpoint that never answers cost.
//
//   bench_webhooks [rings, default 200]
#include "../../tests/device/BoxSim.h"
#include "../BenchTiming.h"
#include "../localapi/BenchSupport.h"
#include "app/AppCore.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <QMessageAuthenticationCode>
#include <QTemporaryDir>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using tamberlink::bench::ResidentKilobytes;
using tamberlink::bench::Serve;

double Percentile(std::vector<double> values, double fraction) {
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, std::size_t(fraction * double(values.size())))];
}

std::string Header(const std::string& head, const std::string& name) {
    const std::size_t at = head.find("\r\n" + name + ": ");
    if (at == std::string::npos) {
        return {};
    }
    const std::size_t start = at + name.size() + 4;
    return head.substr(start, head.find("\r\n", start) - start);
}

// An HTTP receiver on the loopback that checks each delivery's signature with the secret
// and notes when each verified one arrived.
class Receiver {
public:
    Receiver() {
        listener_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        if (bind(listener_, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
            listen(listener_, 16) != 0 ||
            getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
            std::fprintf(stderr, "cannot listen\n");
            std::exit(1);
        }
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] { Run(); });
    }
    ~Receiver() {
        shutdown(listener_, SHUT_RDWR);
        close(listener_);
        thread_.join();
    }
    int Port() const { return port_; }
    void SetKey(const QByteArray& key) {
        std::lock_guard lock(mutex_);
        key_ = key;
    }
    std::size_t Verified() const {
        std::lock_guard lock(mutex_);
        return arrivals_.size();
    }
    Clock::time_point Arrival(std::size_t i) const {
        std::lock_guard lock(mutex_);
        return arrivals_[i];
    }
    std::size_t Refused() const { return refused_; }

private:
    void Run() {
        for (;;) {
            const int fd = accept(listener_, nullptr, nullptr);
            if (fd < 0) {
                return;
            }
            Serve(fd);
            close(fd);
        }
    }
    // One connection: its requests one after another.
    void Serve(int fd) {
        std::string data;
        char buffer[8192];
        for (;;) {
            std::size_t end = data.find("\r\n\r\n");
            while (end == std::string::npos) {
                const ssize_t got = recv(fd, buffer, sizeof buffer, 0);
                if (got <= 0) {
                    return;
                }
                data.append(buffer, std::size_t(got));
                end = data.find("\r\n\r\n");
            }
            const std::string head = data.substr(0, end + 2);
            const std::size_t length = std::stoul(Header(head, "Content-Length"));
            while (data.size() < end + 4 + length) {
                const ssize_t got = recv(fd, buffer, sizeof buffer, 0);
                if (got <= 0) {
                    return;
                }
                data.append(buffer, std::size_t(got));
            }
            const std::string body = data.substr(end + 4, length);
            data.erase(0, end + 4 + length);
            Check(head, body);
            const char reply[] = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok";
            send(fd, reply, sizeof reply - 1, MSG_NOSIGNAL);
        }
    }
    void Check(const std::string& head, const std::string& body) {
        const std::string id = Header(head, "webhook-id");
        const std::string stamp = Header(head, "webhook-timestamp");
        const std::string signed_ = id + "." + stamp + "." + body;
        std::lock_guard lock(mutex_);
        const QByteArray expected =
            "v1," + QMessageAuthenticationCode::hash(QByteArray::fromStdString(signed_), key_,
                                                     QCryptographicHash::Sha256)
                        .toBase64();
        if (QByteArray::fromStdString(Header(head, "webhook-signature")) == expected) {
            arrivals_.push_back(Clock::now());
        } else {
            ++refused_;
        }
    }

    int listener_ = -1;
    int port_ = 0;
    std::thread thread_;
    mutable std::mutex mutex_;
    QByteArray key_;
    std::vector<Clock::time_point> arrivals_;
    std::atomic<std::size_t> refused_{0};
};

tamberlink::AppConfig Config(const QTemporaryDir& docs) {
    tamberlink::AppConfig config;
    config.documentsFolder = docs.path();
    config.dataFolder = QStringLiteral(TAMBERLINK_BIN_DIR "/Data");
    config.localApiPort = 0;
    config.cloudBaseUrl = QStringLiteral("http://127.0.0.1:9/");
    config.cookieFolder = docs.path();
    return config;
}

int Latency(int rings) {
    tamberlink::test::BoxSim box;
    QTemporaryDir docs;
    Receiver receiver;
    tamberlink::AppCore core(Config(docs));
    if (!box.Running() || !core.Start() ||
        !core.StartDeviceLink(QString::fromStdString(box.PortPath())) ||
        !Serve([&] { return core.IsBoxConnected(); }, 30000)) {
        std::fprintf(stderr, "the core did not reach the box\n");
        return 1;
    }
    const tamberlink::WebhookService::Added added =
        core.Webhooks().AddEndpoint(QStringLiteral("http://127.0.0.1:%1/hook").arg(receiver.Port()),
                                    {QStringLiteral("incoming")});
    receiver.SetKey(QByteArray::fromBase64(added.secret.mid(6).toLatin1()));
    Serve([] { return false; }, 500);

    std::vector<double> latencies;
    for (int ring = 0; ring < rings; ++ring) {
        const Clock::time_point sent = Clock::now();
        box.Command("ring 1380000" + std::to_string(1000 + ring));
        if (!Serve([&] { return receiver.Verified() == std::size_t(ring) + 1; }, 10000)) {
            std::fprintf(stderr, "ring %d was not delivered (%zu refused)\n", ring,
                         receiver.Refused());
            return 1;
        }
        latencies.push_back(
            std::chrono::duration<double, std::milli>(receiver.Arrival(std::size_t(ring)) - sent)
                .count());
        box.Command("state 14");
        Serve([] { return false; }, 5);
    }
    std::printf("caller-ID frame at the box to a verified delivery, %d rings\n", rings);
    std::printf("latency    p50 %.2f ms   p99 %.2f ms   max %.2f ms   (target: p99 under 20 ms)\n",
                Percentile(latencies, 0.5), Percentile(latencies, 0.99),
                Percentile(latencies, 1.0));
    core.Shutdown();
    return 0;
}

int DeadEndpointMemory() {
    constexpr int kQueued = 1000;
    QTemporaryDir docs;
    tamberlink::AppCore core(Config(docs));
    if (!core.Start()) {
        std::fprintf(stderr, "the core did not start\n");
        return 1;
    }
    // Nothing listens on port 9 of the loopback: every attempt is refused.
    core.Webhooks().AddEndpoint(QStringLiteral("http://127.0.0.1:9/dead"), {});
    core.Feed().Ended();
    Serve([&] { return core.Webhooks().PendingEvents() == 0; }, 10000);
    Serve([] { return false; }, 500);
    const long before = ResidentKilobytes("self");
    for (int i = 0; i < kQueued; ++i) {
        core.Feed().SmsSent({QStringLiteral("13800000000"), QStringLiteral("13900000000")}, 70);
    }
    Serve([&] { return core.Webhooks().PendingEvents() == 0; }, 30000);
    Serve([] { return false; }, 500);
    const long after = ResidentKilobytes("self");
    std::printf("dead endpoint: %zu deliveries queued, memory %.1f KiB more (RSS %.1f MiB; "
                "target: under 5 MiB)\n",
                core.Webhooks().QueuedDeliveries(), double(after - before), after / 1024.0);
    core.Shutdown();
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int rings = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
    if (const int failed = Latency(rings)) {
        return failed;
    }
    return DeadEndpointMemory();
}
