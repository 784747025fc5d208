#pragma once
// The one process-wide record of the tool and its two sample series.
#include <cstdint>
#include <string>
#include <vector>

namespace tessivo {

// Readings oldest first (position 0 is the oldest).
class SampleSeries {
public:
    int32_t count() const { return static_cast<int32_t>(values_.size()); }
    void append(double value) { values_.push_back(value); }
    void remove_oldest();  // does nothing on an empty series
    void clear() { values_.clear(); }
    double operator[](int32_t position) const { return values_[static_cast<std::size_t>(position)]; }
    double& operator[](int32_t position) { return values_[static_cast<std::size_t>(position)]; }
    const std::vector<double>& values() const { return values_; }
    bool operator==(const SampleSeries&) const = default;

private:
    std::vector<double> values_;
};

// Largest first, by the tolerant bubble sort; meant for a copy, never the live series.
void sort_descending(SampleSeries& series);

// Tolerance of every comparison that involves doubles.
inline constexpr double TOLERANCE = 1e-7;

inline constexpr int32_t NO_LOG_FILE = 0;

struct MonitorState {
    int32_t log_file = NO_LOG_FILE;  // handle of the run's open log file; 0 = none
    std::string log_path;            // the name that file was opened under
    int32_t memory_min_kb = 0;
    int32_t memory_max_kb = 0;
    SampleSeries memory_series;  // KB, whole numbers
    int32_t series_capacity = 0;
    SampleSeries cpu_series;  // percent, two decimals, or a CPU signal value
    double last_recorded_cpu = 0.0;
    int32_t last_recorded_memory_kb = 0;
    int32_t grid_spacing = 0;  // pixels
    int32_t x_step = 0;        // pixels
    std::string log_folder;    // with a trailing separator
    int32_t picker_dragging = 0;
    int32_t elapsed_seconds = 0;
};

void append_pair(MonitorState& state, double cpu, int32_t memory_kb);
void remove_oldest_pair(MonitorState& state);
void clear_series(MonitorState& state);
void widen_memory_extremes(MonitorState& state, int32_t memory_kb);
bool touches_memory_extreme(const MonitorState& state, double value);
void recompute_memory_extremes(MonitorState& state);  // memory_series must not be empty

}  // namespace tessivo
