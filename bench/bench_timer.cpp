#include "bench_timer.h"

#include <QElapsedTimer>

#include <algorithm>
#include <vector>

#include <sys/resource.h>

namespace kalvora::bench {

Timing measure(int runs, const std::function<void()>& op, bool warmUp)
{
    if (warmUp)
        op();
    std::vector<double> ms;
    ms.reserve(static_cast<size_t>(runs));
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        op();
        ms.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    Timing out;
    out.medianMs = ms[ms.size() / 2];
    out.maxMs = ms.back();
    return out;
}

double peakMemoryMb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

} // namespace kalvora::bench
