// Per-call cost of each process probe beside the raw kernel read it wraps.
// Targets: a small idle process and an idle process with 2 GiB resident in
// 4 KiB pages (the rollup walks every page). None of them spins, so the
// figures do not compete with a busy target for the processors.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <string>

#include "probes/cpu_probe.h"
#include "probes/memory_probe.h"
#include "probes/platform.h"
#include "probes/process_name.h"
#include "tests/support/child_process.h"

namespace {

using tessivo::testing::ChildProcess;
using tessivo::testing::support_program;

std::string proc_path(int32_t process_id, const char* entry) {
    return "/proc/" + std::to_string(process_id) + "/" + entry;
}

// open + one read() into a stack buffer + close: what the memory probe and
// the stat reader cost at the least.
void raw_proc_read(benchmark::State& state, int32_t process_id, const char* entry) {
    const std::string path = proc_path(process_id, entry);
    for (auto _ : state) {
        char buffer[4096];
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        benchmark::DoNotOptimize(::read(fd, buffer, sizeof buffer));
        ::close(fd);
        benchmark::ClobberMemory();
    }
}

void memory_probe(benchmark::State& state, int32_t process_id) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(tessivo::private_working_set_bytes(process_id));
    }
}

void raw_cpu_clock(benchmark::State& state, int32_t process_id) {
    for (auto _ : state) {
        clockid_t clock{};
        timespec used{};
        ::clock_getcpuclockid(process_id, &clock);
        benchmark::DoNotOptimize(::clock_gettime(clock, &used));
        benchmark::DoNotOptimize(used);
    }
}

void cpu_probe(benchmark::State& state, int32_t process_id) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(tessivo::cpu_usage_percent(process_id));
    }
}

void process_identity(benchmark::State& state, int32_t process_id) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(tessivo::platform::process_identity(process_id));
    }
}

void raw_readlink_exe(benchmark::State& state, int32_t process_id) {
    const std::string path = proc_path(process_id, "exe");
    for (auto _ : state) {
        char target[4096];
        benchmark::DoNotOptimize(::readlink(path.c_str(), target, sizeof target));
        benchmark::ClobberMemory();
    }
}

void name_lookup(benchmark::State& state, int32_t process_id) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(tessivo::executable_name_of_process(process_id));
    }
}

void process_list(benchmark::State& state) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(tessivo::platform::list_processes());
    }
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    constexpr const char* BIG_MIB = "2048";
    auto small = std::make_unique<ChildProcess>(support_program("memory_child"), std::vector<std::string>{"0"});
    auto big = std::make_unique<ChildProcess>(support_program("memory_child"), std::vector<std::string>{BIG_MIB});
    if (small->pid() <= 0 || big->pid() <= 0) {
        std::fprintf(stderr, "could not start the target programs in %s\n", TESSIVO_SUPPORT_DIR);
        return 1;
    }
    const int32_t small_pid = small->pid();
    const int32_t big_pid = big->pid();

    benchmark::RegisterBenchmark("memory/raw smaps_rollup read/small", raw_proc_read, small_pid,
                                 "smaps_rollup");
    benchmark::RegisterBenchmark("memory/probe/small", memory_probe, small_pid);
    benchmark::RegisterBenchmark("memory/raw smaps_rollup read/2GiB", raw_proc_read, big_pid,
                                 "smaps_rollup")
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("memory/probe/2GiB", memory_probe, big_pid)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("cpu/raw cpu clock read", raw_cpu_clock, small_pid);
    benchmark::RegisterBenchmark("cpu/processor count (sysconf)", [](benchmark::State& state) {
        for (auto _ : state) {
            benchmark::DoNotOptimize(::sysconf(_SC_NPROCESSORS_ONLN));
        }
    });
    benchmark::RegisterBenchmark("cpu/probe", cpu_probe, small_pid);
    benchmark::RegisterBenchmark("cpu/identity (pidfd inode or stat)", process_identity, small_pid);
    benchmark::RegisterBenchmark("cpu/raw stat read", raw_proc_read, small_pid, "stat");
    benchmark::RegisterBenchmark("name/raw readlink exe", raw_readlink_exe, small_pid);
    benchmark::RegisterBenchmark("name/lookup", name_lookup, small_pid);
    benchmark::RegisterBenchmark("name/list of all processes", process_list)
        ->Unit(benchmark::kMicrosecond);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    // The destructors kill and reap every target, the 2 GiB one first.
    big.reset();
    return 0;
}
