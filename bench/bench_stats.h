#pragma once
// Small helpers shared by the side-by-side benchmarks: summaries of a list of
// figures, a monotonic clock, and the output of a helper command.
#include <time.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numeric>
#include <string>
#include <vector>

namespace tessivo::bench {

struct Summary {
    double median = 0;
    double low = 0;
    double high = 0;
    double mean = 0;
    double deviation = 0;  // standard deviation of the population
};

inline Summary summarise(std::vector<double> values) {
    Summary summary;
    if (values.empty()) {
        return summary;
    }
    std::sort(values.begin(), values.end());
    const size_t count = values.size();
    summary.median = count % 2 == 1 ? values[count / 2]
                                    : (values[count / 2 - 1] + values[count / 2]) / 2;
    summary.low = values.front();
    summary.high = values.back();
    summary.mean = std::accumulate(values.begin(), values.end(), 0.0) / static_cast<double>(count);
    double squares = 0;
    for (const double value : values) {
        squares += (value - summary.mean) * (value - summary.mean);
    }
    summary.deviation = std::sqrt(squares / static_cast<double>(count));
    return summary;
}

// The value below which the share q (0..1) of the values lie (nearest rank).
inline double quantile(std::vector<double> values, double q) {
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    const auto rank = static_cast<size_t>(q * static_cast<double>(values.size() - 1) + 0.5);
    return values[std::min(rank, values.size() - 1)];
}

// Seconds on the monotonic clock.
inline double now_seconds() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// Runs a shell command and returns what it printed; empty when it could not run.
inline std::string output_of(const std::string& command) {
    std::string text;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return text;
    }
    char buffer[4096];
    size_t size = 0;
    while ((size = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        text.append(buffer, size);
    }
    ::pclose(pipe);
    return text;
}

}  // namespace tessivo::bench
