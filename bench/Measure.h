// Timing and peak memory of the benchmark phases.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstring>
#include <fstream>
#include <string>

namespace drav::bench {

using Clock = std::chrono::steady_clock;

inline double since(Clock::time_point t) {
    return std::chrono::duration<double>(Clock::now() - t).count();
}

inline long statusKiB(const char* key) {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(key, 0) == 0) return std::stol(line.substr(std::strlen(key)));
    return 0;
}

// Peak memory of one phase: the high-water mark is reset before it.
class Peak {
public:
    Peak() {
        std::ofstream("/proc/self/clear_refs") << "5";
        m_base = statusKiB("VmRSS:");
    }
    double mib() const { return std::max(0L, statusKiB("VmHWM:") - m_base) / 1024.0; }

private:
    long m_base;
};

}  // namespace drav::bench
