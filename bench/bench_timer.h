#pragma once

#include <QString>

#include <functional>

namespace kalvora::bench {

struct Timing {
    double medianMs = 0;
    double maxMs = 0;
};

// Runs op `runs` times (after one warm-up run when warmUp is set) and returns the median and maximum.
Timing measure(int runs, const std::function<void()>& op, bool warmUp = true);

// The process's peak resident memory in megabytes.
double peakMemoryMb();

} // namespace kalvora::bench
