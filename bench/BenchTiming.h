#pragma once

#include <QElapsedTimer>

#include <algorithm>
#include <ctime>
#include <vector>

namespace tamberlink::bench {

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

// Milliseconds of CPU time the process has used.
inline double CpuMs() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

// Wall-clock and CPU milliseconds of one run; on a machine busy with other work the CPU time
// tells what the work itself costs.
struct Cost {
    double wall;
    double cpu;
};

// The median wall-clock and CPU milliseconds of `runs` runs of `work`.
template <typename Work>
Cost Measure(int runs, Work work) {
    std::vector<double> wall;
    std::vector<double> cpu;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        const double start = CpuMs();
        timer.start();
        work();
        wall.push_back(double(timer.nsecsElapsed()) / 1e6);
        cpu.push_back(CpuMs() - start);
    }
    return {Median(wall), Median(cpu)};
}

} // namespace tamberlink::bench
