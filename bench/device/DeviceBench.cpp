// Prints what the device link costs: how soon it connects once the box appears, the latency
// from a frame written by the box to its dispatch (p50, p99), and the listener's CPU time
// while connected and idle. The box is a pseudo-terminal driven from this program.

#include "device/SerialLink.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using tamberlink::FrameBytes;
using tamberlink::SerialLink;

constexpr int kFrames = 3000;
constexpr int kConnectTrials = 5;
constexpr auto kIdle = 10s;
const FrameBytes kStatus{0xA5, 0x82, 0x05, 0x31, 0x55};

// Notes when each frame is dispatched.
class Stopwatch : public tamberlink::FrameHandler {
public:
    void HandleFrame(const std::uint8_t*, std::size_t) override {
        {
            std::lock_guard lock(mutex_);
            at_ = Clock::now();
            ++count_;
        }
        done_.notify_all();
    }
    // Waits for the dispatch after `seen` frames; its time.
    Clock::time_point WaitPast(int seen) {
        std::unique_lock lock(mutex_);
        done_.wait_for(lock, 5s, [&] { return count_ > seen; });
        return at_;
    }
    int Count() {
        std::lock_guard lock(mutex_);
        return count_;
    }

private:
    std::mutex mutex_;
    std::condition_variable done_;
    Clock::time_point at_{};
    int count_ = 0;
};

// A box on a pseudo-terminal, reachable through a symlink that appears when it is plugged.
class PtyBox {
public:
    explicit PtyBox(std::string link)
        : link_(std::move(link)) {}
    ~PtyBox() { Unplug(); }

    void Plug() {
        master_ = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        grantpt(master_);
        unlockpt(master_);
        const std::string path = ptsname(master_);
        slave_ = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        termios tio{};
        tcgetattr(slave_, &tio);
        cfmakeraw(&tio);
        tcsetattr(slave_, TCSANOW, &tio);
        if (symlink(path.c_str(), link_.c_str()) != 0) {
            std::perror("symlink");
        }
    }
    void Unplug() {
        if (master_ >= 0) {
            unlink(link_.c_str());
            close(slave_);
            close(master_);
            master_ = slave_ = -1;
        }
    }
    void Send(const FrameBytes& frame) {
        [[maybe_unused]] const ssize_t n = write(master_, frame.data(), frame.size());
    }
    // Takes what the PC wrote, so its writes never stall.
    void Drain() {
        char buffer[256];
        while (read(master_, buffer, sizeof buffer) > 0) {
        }
    }

private:
    std::string link_;
    int master_ = -1;
    int slave_ = -1;
};

void ConfigureLink(SerialLink& link, Stopwatch& stopwatch, const std::string& port) {
    link.SetFrameHandler(&stopwatch);
    link.SetPortLister([] { return std::vector<std::string>{}; });
    link.SetWatchDevices(false);
    link.SetPreferredPort(port);
}

// Plugs the box while the link searches; the box announces itself every 500 ms.
double ConnectMs(const std::string& port) {
    Stopwatch stopwatch;
    SerialLink link;
    ConfigureLink(link, stopwatch, port);
    PtyBox box(port);
    link.Start();
    std::this_thread::sleep_for(std::chrono::milliseconds(300 + std::rand() % 700));
    const auto plugged = Clock::now();
    box.Plug();
    auto nextStatus = plugged;
    while (!link.IsConnected() && Clock::now() - plugged < 10s) {
        if (Clock::now() >= nextStatus) {
            box.Send(kStatus);
            nextStatus += 500ms;
        }
        std::this_thread::sleep_for(1ms);
    }
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - plugged).count();
    link.Close();
    return ms;
}

double Percentile(std::vector<double> values, double p) {
    std::sort(values.begin(), values.end());
    return values[static_cast<std::size_t>(p * (values.size() - 1))];
}

// User and system time of this process's thread named `name`, in seconds.
double ThreadCpuSeconds(const std::string& name) {
    DIR* tasks = opendir("/proc/self/task");
    double seconds = -1;
    while (dirent* entry = tasks ? readdir(tasks) : nullptr) {
        const std::string dir = std::string("/proc/self/task/") + entry->d_name;
        std::string comm;
        std::getline(std::ifstream(dir + "/comm"), comm);
        if (comm != name) {
            continue;
        }
        std::string stat;
        std::getline(std::ifstream(dir + "/stat"), stat);
        std::istringstream fields(stat.substr(stat.rfind(')') + 2));
        std::string field;
        long utime = 0;
        long stime = 0;
        for (int i = 3; fields >> field; ++i) {
            if (i == 14) {
                utime = std::stol(field);
            } else if (i == 15) {
                stime = std::stol(field);
                break;
            }
        }
        seconds = static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
    }
    if (tasks) {
        closedir(tasks);
    }
    return seconds;
}

} // namespace

int main() {
    char folder[] = "/tmp/bench-device-XXXXXX";
    if (mkdtemp(folder) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string port = std::string(folder) + "/box";

    std::vector<double> connect;
    for (int i = 0; i < kConnectTrials; ++i) {
        connect.push_back(ConnectMs(port));
    }
    std::printf("connect after the box appears: median %.0f ms, worst %.0f ms (%d trials)\n",
                Percentile(connect, 0.5), Percentile(connect, 1.0), kConnectTrials);

    Stopwatch stopwatch;
    SerialLink link;
    ConfigureLink(link, stopwatch, port);
    PtyBox box(port);
    box.Plug();
    link.Start();
    while (!link.IsConnected()) {
        box.Send(kStatus);
        std::this_thread::sleep_for(100ms);
    }
    std::this_thread::sleep_for(200ms);

    std::vector<double> latencies;
    for (int i = 0; i < kFrames; ++i) {
        const int seen = stopwatch.Count();
        const auto sent = Clock::now();
        box.Send(kStatus);
        const auto dispatched = stopwatch.WaitPast(seen);
        latencies.push_back(std::chrono::duration<double, std::micro>(dispatched - sent).count());
        box.Drain();
        std::this_thread::sleep_for(2ms);
    }
    std::printf("frame to dispatch: p50 %.0f us, p99 %.0f us, max %.0f us (%d frames; target "
                "p99 under 2000 us)\n",
                Percentile(latencies, 0.5), Percentile(latencies, 0.99), Percentile(latencies, 1.0),
                kFrames);

    const double before = ThreadCpuSeconds("serial-listen");
    const double searchBefore = ThreadCpuSeconds("serial-search");
    std::this_thread::sleep_for(kIdle);
    const double listener = ThreadCpuSeconds("serial-listen") - before;
    const double search = ThreadCpuSeconds("serial-search") - searchBefore;
    std::printf("idle while connected for %lld s: listener %.3f%% of a core, port search %.3f%% "
                "(target under 0.5%%)\n",
                static_cast<long long>(kIdle.count()), 100 * listener / kIdle.count(),
                100 * search / kIdle.count());
    link.Close();
    box.Unplug();
    rmdir(folder);
    return 0;
}
