// Memory probe: cost of one call beside a plain read of /proc/PID/smaps_rollup
// and beside psutil's memory_full_info().uss, on a small target, a target with
// 20,000 mappings and targets with 2 GiB and 8 GiB resident in 4 KiB pages.
// The probe and the raw read take turns call by call (the order swapping every
// pair), so that the load of a shared machine falls on both alike; psutil runs
// one batch between them every round, timed per call in Python. Figures are
// medians of the single calls, with the 10th and 90th percentiles; the ratio
// is the median of the pairs' ratios.
// Usage: memory_bench <psutil_probe.py> [rounds]
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "bench/bench_stats.h"
#include "probes/memory_probe.h"
#include "tests/support/child_process.h"

namespace {

using tessivo::bench::now_seconds;
using tessivo::bench::quantile;
using tessivo::testing::ChildProcess;
using tessivo::testing::support_program;

constexpr double BATCH_SECONDS = 0.1;  // the calls of one round last about this long, each
constexpr int MIN_CALLS = 5;
constexpr int MAX_CALLS = 3000;

struct Target {
    const char* name;
    const char* program;
    std::string argument;
};

// open, read to the end, close: what any reader of the file pays at the least.
size_t raw_rollup_read(const std::string& path) {
    char buffer[4096];
    size_t total = 0;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return 0;
    }
    ssize_t size = 0;
    while ((size = ::read(fd, buffer, sizeof buffer)) > 0) {
        total += static_cast<size_t>(size);
    }
    ::close(fd);
    return total;
}

// Mean seconds per call of `call` over `calls` calls.
template <class Call>
double seconds_per_call(int calls, Call call) {
    const double start = now_seconds();
    for (int i = 0; i < calls; ++i) {
        call();
    }
    return (now_seconds() - start) / calls;
}

void print_spread(const char* what, const std::vector<double>& values, double scale,
                  const char* unit) {
    std::printf("  %-28s median %10.2f %s  [p10 %.2f .. p90 %.2f]\n", what,
                quantile(values, 0.5) * scale, unit, quantile(values, 0.1) * scale,
                quantile(values, 0.9) * scale);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <psutil_probe.py> [rounds]\n", argv[0]);
        return 2;
    }
    const std::string psutil_script = argv[1];
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 7;
    const std::vector<Target> targets = {
        {"small", "memory_child", "0"},
        {"20,000 mappings", "mapping_child", "20000"},
        {"2 GiB resident", "memory_child", "2048"},
        {"8 GiB resident", "memory_child", "8192"},
    };
    std::printf("memory probe beside the raw smaps_rollup read and psutil uss; %d rounds, "
                "per call\n", rounds);
    int misses = 0;
    for (const Target& target : targets) {
        // One target at a time: the big ones are killed before the next starts.
        auto child = std::make_unique<ChildProcess>(support_program(target.program),
                                                    std::vector<std::string>{target.argument});
        const int32_t pid = child->pid();
        if (pid <= 0) {
            std::fprintf(stderr, "could not start %s %s\n", target.program, target.argument.c_str());
            return 1;
        }
        const std::string path = "/proc/" + std::to_string(pid) + "/smaps_rollup";
        const std::string private_mib =
            std::to_string(tessivo::private_working_set_bytes(pid) / (1024 * 1024));
        raw_rollup_read(path);  // warm
        const double one = seconds_per_call(MIN_CALLS, [&] { raw_rollup_read(path); });
        const int calls = std::clamp(static_cast<int>(BATCH_SECONDS / one), MIN_CALLS, MAX_CALLS);

        std::vector<double> raw, probe, psutil, probe_to_raw;
        for (int round = 0; round < rounds; ++round) {
            for (int pair = 0; pair < calls; ++pair) {
                double raw_cost = 0, probe_cost = 0;
                for (int step = 0; step < 2; ++step) {
                    if ((pair + step) % 2 == 0) {
                        raw_cost = seconds_per_call(1, [&] { raw_rollup_read(path); });
                    } else {
                        probe_cost = seconds_per_call(
                            1, [&] { (void)tessivo::private_working_set_bytes(pid); });
                    }
                }
                raw.push_back(raw_cost);
                probe.push_back(probe_cost);
                probe_to_raw.push_back(probe_cost / raw_cost);
            }
            const std::string out = tessivo::bench::output_of(
                "'" + psutil_script + "' uss " + std::to_string(pid) + " " + std::to_string(calls));
            double median_us = 0, mean_us = 0;
            if (std::sscanf(out.c_str(), "%lf %lf", &median_us, &mean_us) != 2) {
                std::fprintf(stderr, "psutil gave no figure: %s\n", out.c_str());
                return 1;
            }
            psutil.push_back(median_us * 1e-6);
        }
        child.reset();

        std::printf("%s (pid %d, private %s MiB, %d pairs a round)\n", target.name, pid,
                    private_mib.c_str(), calls);
        print_spread("raw smaps_rollup read", raw, 1e6, "us");
        print_spread("tessivo memory probe", probe, 1e6, "us");
        print_spread("psutil (median of rounds)", psutil, 1e6, "us");
        print_spread("probe / raw (per pair)", probe_to_raw, 1, "x ");
        const double ratio = quantile(probe_to_raw, 0.5);
        const double behind = quantile(psutil, 0.5) / quantile(probe, 0.5);
        std::printf("  psutil / probe (medians)     %10.2f x\n", behind);
        const bool met = ratio <= 1.1 && behind > 1.0;
        misses += met ? 0 : 1;
        std::printf("  goal (probe within 1.1x raw, ahead of psutil): %s\n", met ? "met" : "MISSED");
        std::fflush(stdout);
    }
    return misses == 0 ? 0 : 1;
}
