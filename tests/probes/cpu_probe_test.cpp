#include "probes/cpu_probe.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <thread>
#include <vector>

#include "probes/platform.h"
#include "tests/support/child_process.h"

namespace tessivo {
namespace {

using testing::ChildProcess;
using testing::support_program;

TEST(NextCpuReading, FormulaSignalsAndBaselineRules) {
    struct Case {
        const char* shows;
        CpuBaseline before;
        int64_t kernel, user;
        int32_t processors;
        int64_t now;
        double result;
        CpuBaseline after;
    };
    const Case cases[] = {
        {"a reading: 75000 of 3000000 counts is 2.5 %", {300000, 10000000}, 1000000, 500000, 4,
         13000000, 2.5, {375000, 13000000}},
        {"system time unchanged: no reading, baseline kept", {300000, 10000000}, 1000000, 500000,
         4, 10000000, CPU_NO_READING, {300000, 10000000}},
        {"no process time in the baseline: baseline taken", {0, 10000000}, 1000000, 500000, 4,
         13000000, CPU_BASELINE_TAKEN, {375000, 13000000}},
        {"no system time in the baseline: baseline taken", {300000, 0}, 1000000, 500000, 4,
         13000000, CPU_BASELINE_TAKEN, {375000, 13000000}},
        {"process time under the processor count truncates to 0", {}, 5, 2, 8, 500,
         CPU_BASELINE_TAKEN, {0, 500}},
        {"a baseline of a busier process: passed on negative", {9000000, 10000000}, 0, 400, 4,
         13000000, -8999900.0 * 100.0 / 3000000.0, {100, 13000000}},
        {"system time that went back: passed on negative", {300000, 10000000}, 0, 1300000, 4,
         7000000, -2500000.0 / 3000000.0, {325000, 7000000}},
    };
    for (const Case& c : cases) {
        CpuBaseline baseline = c.before;
        EXPECT_DOUBLE_EQ(next_cpu_reading(baseline, c.kernel, c.user, c.processors, c.now),
                         c.result)
            << c.shows;
        EXPECT_EQ(baseline.process_time, c.after.process_time) << c.shows;
        EXPECT_EQ(baseline.system_time, c.after.system_time) << c.shows;
    }
}

TEST(NextCpuReading, ProcessTimeUnderProcessorCountKeepsTakingBaselines) {
    CpuBaseline baseline;
    EXPECT_EQ(next_cpu_reading(baseline, 5, 2, 8, 1000), CPU_BASELINE_TAKEN);
    EXPECT_EQ(next_cpu_reading(baseline, 5, 2, 8, 2000), CPU_BASELINE_TAKEN);
    EXPECT_EQ(baseline.process_time, 0);
    EXPECT_EQ(baseline.system_time, 2000);
}

TEST(FiletimeToCount, HalvesAreUnsigned) {
    struct Case {
        const char* shows;
        FileTime time;
        int64_t count;
    };
    const Case cases[] = {
        {"low half all ones is not -1", {0xFFFFFFFFu, 0}, 4294967295},
        {"high half counts 2^32", {0, 1}, 4294967296},
        {"both halves", {5, 2}, 8589934597},
        {"zero", {0, 0}, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(filetime_to_count(c.time), c.count) << c.shows;
    }
}

TEST(ClaimBaseline, AnotherProcessStartsAfresh) {
    const CpuBaseline owned{375000, 13000000, 42, 9000};
    struct Case {
        const char* shows;
        CpuBaseline before;
        int32_t process_id;
        uint64_t process_start;
        bool same;
    };
    const Case cases[] = {
        {"the same process keeps its baseline", owned, 42, 9000, true},
        {"another process id", owned, 43, 9000, false},
        {"the same id reused by a process started later", owned, 42, 9100, false},
        {"the program's first reading", CpuBaseline{}, 42, 9000, false},
    };
    for (const Case& c : cases) {
        CpuBaseline baseline = c.before;
        EXPECT_EQ(claim_baseline(baseline, c.process_id, c.process_start), c.same) << c.shows;
        EXPECT_EQ(baseline.process_id, c.process_id) << c.shows;
        EXPECT_EQ(baseline.process_start, c.process_start) << c.shows;
        const CpuBaseline expected_times = c.same ? c.before : CpuBaseline{};
        EXPECT_EQ(baseline.process_time, expected_times.process_time) << c.shows;
        EXPECT_EQ(baseline.system_time, expected_times.system_time) << c.shows;
        // A cleared baseline makes the next reading a new baseline.
        EXPECT_EQ(next_cpu_reading(baseline, 0, 4000000, 4, 14000000) == CPU_BASELINE_TAKEN,
                  !c.same)
            << c.shows;
    }
}

// Real targets: the program's one baseline is reset before each test.
class CpuUsagePercent : public ::testing::Test {
protected:
    void SetUp() override { cpu_baseline() = CpuBaseline{}; }

    // The median of several readings taken ~300 ms apart, after a baseline.
    static double median_reading(int32_t process_id) {
        constexpr int READINGS = 5;
        EXPECT_EQ(cpu_usage_percent(process_id), CPU_BASELINE_TAKEN);
        std::vector<double> readings;
        for (int i = 0; i < READINGS; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            readings.push_back(cpu_usage_percent(process_id));
        }
        std::sort(readings.begin(), readings.end());
        return readings[READINGS / 2];
    }
};

TEST_F(CpuUsagePercent, OneSpinningThreadReadsItsShareOfTheMachine) {
    ChildProcess spinner(support_program("spin_child"));
    ASSERT_GT(spinner.pid(), 0);
    const double expected = 100.0 / platform::processor_count();
    const double reading = median_reading(spinner.pid());
    // Wide bounds: other work shares this machine's processors.
    EXPECT_GE(reading, 0.4 * expected);
    EXPECT_LE(reading, 1.3 * expected);
}

TEST_F(CpuUsagePercent, AnIdleProcessReadsNearZero) {
    ChildProcess idle(support_program("memory_child"), {"0"});
    ASSERT_GT(idle.pid(), 0);
    const double reading = median_reading(idle.pid());
    EXPECT_GE(reading, 0.0);
    EXPECT_LE(reading, 1.0);
}

TEST_F(CpuUsagePercent, ABaselineOfAnotherProcessIsNeverMeasuredAgainst) {
    ChildProcess busy(support_program("spin_child"));
    ChildProcess fresh(support_program("memory_child"), {"0"});
    ASSERT_GT(busy.pid(), 0);
    ASSERT_GT(fresh.pid(), 0);
    // Let the spinner gather far more processor time than the fresh process has.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(cpu_usage_percent(busy.pid()), CPU_BASELINE_TAKEN);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_GE(cpu_usage_percent(busy.pid()), 0.0);

    EXPECT_EQ(cpu_usage_percent(fresh.pid()), CPU_BASELINE_TAKEN) << "switched to another process";
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_GE(cpu_usage_percent(fresh.pid()), 0.0) << "the same process, measured against itself";
    EXPECT_EQ(cpu_usage_percent(busy.pid()), CPU_BASELINE_TAKEN) << "switched back";
}

TEST_F(CpuUsagePercent, NoProcessGivesNoReadingAndKeepsTheBaseline) {
    ChildProcess ended(support_program("memory_child"), {"0"});
    ASSERT_GT(ended.pid(), 0);
    const int32_t reaped = ended.stop();
    const CpuBaseline kept{375000, 13000000, static_cast<int32_t>(::getpid()), 9000};
    struct Case {
        const char* shows;
        int32_t process_id;
    };
    const Case cases[] = {
        {"a child that exited and was reaped", reaped},
        {"an id above any the kernel hands out", INT32_MAX},
        {"id 0", 0},
        {"a negative id", -5},
    };
    for (const Case& c : cases) {
        cpu_baseline() = kept;
        EXPECT_EQ(cpu_usage_percent(c.process_id), CPU_NO_READING) << c.shows;
        EXPECT_EQ(cpu_baseline().process_time, kept.process_time) << c.shows;
        EXPECT_EQ(cpu_baseline().system_time, kept.system_time) << c.shows;
        EXPECT_EQ(cpu_baseline().process_id, kept.process_id) << c.shows;
    }
}

}  // namespace
}  // namespace tessivo
