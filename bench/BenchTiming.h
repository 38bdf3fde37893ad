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

// Milliseconds of processor time this process used; on a loaded machine the wall-clock times
// also count the waits for a processor.
inline double CpuMs() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

} // namespace tamberlink::bench
