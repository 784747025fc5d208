#include "monitor/monitor_state.h"

#include <utility>

#include "text/number_text.h"

namespace tessivo {

void SampleSeries::remove_oldest() {
    if (!values_.empty()) {
        values_.erase(values_.begin());
    }
}

// A bubble sort that carries the largest reading to the front. Positions are
// counted from 1 (the oldest) to n; readings within TOLERANCE of each other are
// never exchanged, so the order among near-equal readings is kept.
void sort_descending(SampleSeries& series) {
    const int32_t n = series.count();
    int32_t i = 0;
    for (;;) {
        if (static_cast<double>(i) - static_cast<double>(n - 1) > TOLERANCE) {
            return;
        }
        ++i;
        bool clean = true;
        for (int32_t j = n; j > i; --j) {
            double& later = series[j - 1];    // position j
            double& earlier = series[j - 2];  // position j - 1
            if (later - earlier > TOLERANCE) {
                std::swap(later, earlier);
                clean = false;
            }
        }
        if (clean) {
            return;
        }
    }
}

void append_pair(MonitorState& state, double cpu, int32_t memory_kb) {
    state.cpu_series.append(cpu);
    state.memory_series.append(static_cast<double>(memory_kb));
}

void remove_oldest_pair(MonitorState& state) {
    state.memory_series.remove_oldest();
    state.cpu_series.remove_oldest();
}

void clear_series(MonitorState& state) {
    state.memory_series.clear();
    state.cpu_series.clear();
}

void widen_memory_extremes(MonitorState& state, int32_t memory_kb) {
    if (memory_kb < state.memory_min_kb) {
        state.memory_min_kb = memory_kb;
    }
    if (memory_kb > state.memory_max_kb) {
        state.memory_max_kb = memory_kb;
    }
}

bool touches_memory_extreme(const MonitorState& state, double value) {
    if (value - static_cast<double>(state.memory_max_kb) >= -TOLERANCE) {
        return true;
    }
    return value - static_cast<double>(state.memory_min_kb) <= TOLERANCE;
}

void recompute_memory_extremes(MonitorState& state) {
    if (state.memory_series.count() == 0) {
        return;
    }
    SampleSeries sorted = state.memory_series;
    sort_descending(sorted);
    state.memory_min_kb = truncate_to_int32(sorted[sorted.count() - 1]);
    state.memory_max_kb = truncate_to_int32(sorted[0]);
}

}  // namespace tessivo
