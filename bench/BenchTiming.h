#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTimer>

#include <algorithm>
#include <cstdint>
#include <ctime>
#include <functional>
#include <vector>

namespace tamberlink::bench {

inline std::int64_t MonotonicNs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return std::int64_t(now.tv_sec) * 1000000000 + now.tv_nsec;
}

// Processor time of the calling thread.
inline std::int64_t ThreadCpuNs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return std::int64_t(now.tv_sec) * 1000000000 + now.tv_nsec;
}

// Processor time of every thread of this process.
inline std::int64_t ProcessCpuNs() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return std::int64_t(now.tv_sec) * 1000000000 + now.tv_nsec;
}

// Peak resident set size of this process, in KiB; -1 when unknown.
inline long PeakResidentKiB() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:")) {
            return line.mid(6).trimmed().split(' ').first().toLong();
        }
    }
    return -1;
}

inline double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Milliseconds of one run of `work`, the median of `runs` runs.
template <typename Work>
double TimeMs(int runs, Work work) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    return Median(times);
}

// Milliseconds of processor time the whole process has used.
inline double CpuMs() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

// Wall-clock and this thread's processor time since the last restart. On a shared, busy
// machine the processor time is what the work itself costs; the wall clock adds the waits
// for a core.
class Stopwatch {
public:
    Stopwatch() { Restart(); }
    void Restart() {
        wall_.start();
        cpu_ = ThreadCpuNs();
    }
    double WallMs() const { return double(wall_.nsecsElapsed()) / 1e6; }
    double CpuMs() const { return double(ThreadCpuNs() - cpu_) / 1e6; }

private:
    QElapsedTimer wall_;
    std::int64_t cpu_ = 0;
};

struct Timing {
    double wallMs;
    double cpuMs;
};

// The medians of `runs` runs of `work(Stopwatch&)`; the work may restart the stopwatch where
// the part that counts begins.
template <typename Work>
Timing Measure(int runs, Work work) {
    std::vector<double> wall;
    std::vector<double> cpu;
    for (int i = 0; i < runs; ++i) {
        Stopwatch stopwatch;
        work(stopwatch);
        wall.push_back(stopwatch.WallMs());
        cpu.push_back(stopwatch.CpuMs());
    }
    return {Median(wall), Median(cpu)};
}

// Runs the event loop (the core's UI thread) until `done` holds or `ms` pass, looking every
// millisecond; the loop sleeps in between, as the program's does.
inline bool Serve(const std::function<bool()>& done, int ms) {
    QEventLoop loop;
    QTimer look;
    QObject::connect(&look, &QTimer::timeout, &loop, [&] {
        if (done()) {
            loop.quit();
        }
    });
    look.start(1);
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    if (!done()) {
        loop.exec();
    }
    return done();
}

} // namespace tamberlink::bench
