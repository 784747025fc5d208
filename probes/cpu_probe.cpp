#include "probes/cpu_probe.h"

#include "probes/platform.h"

namespace tessivo {

int64_t filetime_to_count(FileTime time) {
    return static_cast<int64_t>((static_cast<uint64_t>(time.dwHighDateTime) << 32) |
                                time.dwLowDateTime);
}

double next_cpu_reading(CpuBaseline& baseline, int64_t kernel_time, int64_t user_time,
                        int32_t processor_count, int64_t now) {
    const auto process_time = static_cast<int64_t>(
        (static_cast<double>(kernel_time) + static_cast<double>(user_time)) /
        static_cast<double>(processor_count));
    // A 0 in either field means that there is no baseline yet.
    if (baseline.process_time == 0 || baseline.system_time == 0) {
        baseline.process_time = process_time;
        baseline.system_time = now;
        return CPU_BASELINE_TAKEN;
    }
    const auto d_process = static_cast<int64_t>(static_cast<double>(process_time) -
                                                static_cast<double>(baseline.process_time));
    const auto d_system = static_cast<int64_t>(static_cast<double>(now) -
                                               static_cast<double>(baseline.system_time));
    if (d_system == 0) {
        return CPU_NO_READING;
    }
    const double result = (static_cast<double>(d_process) * 100.0) / static_cast<double>(d_system);
    baseline.process_time = process_time;
    baseline.system_time = now;
    return result;
}

bool claim_baseline(CpuBaseline& baseline, int32_t process_id, uint64_t process_start) {
    if (baseline.process_id == process_id && baseline.process_start == process_start) {
        return true;
    }
    baseline.process_time = 0;
    baseline.system_time = 0;
    baseline.process_id = process_id;
    baseline.process_start = process_start;
    return false;
}

CpuBaseline& cpu_baseline() {
    static CpuBaseline baseline;
    return baseline;
}

double cpu_usage_percent(int32_t process_id) {
    const int32_t processor_count = platform::processor_count();
    if (processor_count <= 0) {
        return CPU_NO_READING;
    }
    // The system time is read before the process, as the baseline was.
    const int64_t now = platform::system_time_count();
    // Tells this process from an earlier one that had the same id; 0 means
    // that there is no such process.
    const uint64_t process_start = platform::process_identity(process_id);
    platform::ProcessTimes times;
    if (process_start == 0 || !platform::read_process_times(process_id, times)) {
        return CPU_NO_READING;
    }
    CpuBaseline& baseline = cpu_baseline();
    claim_baseline(baseline, process_id, process_start);
    return next_cpu_reading(baseline, times.kernel, times.user, processor_count, now);
}

}  // namespace tessivo
