// The benchmarks' millisecond clock. Any thread.
#pragma once

#include <ctime>

namespace qm::bench {

// <chrono> cannot be compiled with the GBK execution character set (its unit suffixes).
inline double NowMs() {
#ifdef _WIN32
    return std::clock() * 1000.0 / CLOCKS_PER_SEC;  // wall time in the Windows C runtime
#else
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1000.0 + ts.tv_nsec / 1e6;
#endif
}

}  // namespace qm::bench
