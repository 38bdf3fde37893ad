#pragma once

#include <QElapsedTimer>

#include <algorithm>
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

} // namespace tamberlink::bench
