#pragma once
#include <cstdint>

namespace tessivo {

inline constexpr double CPU_BASELINE_TAKEN = -2.0;
inline constexpr double CPU_NO_READING = -1.0;

// Time counts are 100-ns units.
struct CpuBaseline {
    int64_t process_time = 0;  // kernel + user, divided by the processor count
    int64_t system_time = 0;
    // Which process the baseline belongs to: a reading for another one starts afresh.
    int32_t process_id = 0;
    uint64_t process_start = 0;
};

struct FileTime {
    uint32_t dwLowDateTime = 0;
    uint32_t dwHighDateTime = 0;
};
int64_t filetime_to_count(FileTime time);

// The platform-free step: the formula, the signal values and the baseline rules.
double next_cpu_reading(CpuBaseline& baseline, int64_t kernel_time, int64_t user_time,
                        int32_t processor_count, int64_t now);

// Makes the baseline belong to that process. A baseline of another process
// (another id, or the same id reused by a process with another start time) has
// its times cleared, so that the next reading stores a new one. True when the
// baseline already belonged to that process.
bool claim_baseline(CpuBaseline& baseline, int32_t process_id, uint64_t process_start);

// Percent of the whole machine since the previous reading of the same process,
// or a signal value. Uses the program's one baseline.
double cpu_usage_percent(int32_t process_id);
// The program's baseline (tests and a fresh start of the probe reach it here).
CpuBaseline& cpu_baseline();

}  // namespace tessivo
