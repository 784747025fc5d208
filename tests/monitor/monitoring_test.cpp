// Whole runs: start, ticks and stop, driven through a recording window, with
// canned readings where the numbers must be exact and the real probes against
// a real child process.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "probes/cpu_probe.h"
#include "recording_window.h"
#include "text/gbk.h"

extern char** environ;

namespace tessivo {
namespace {

using testing::RecordingWindow;
using testing::TempFolder;
using testing::file_bytes;
using testing::files_in;

const DateTime START{2018, 8, 21, 15, 31, 46};
constexpr int32_t TARGET = 4242;

// A run over canned readings: the target TARGET has `bytes` and `cpu`; every
// other process id fails as the real probes fail for it.
class CannedRun : public ::testing::Test {
protected:
    uint64_t bytes = 100 * 1024;
    double cpu = 1.5;
    int cpu_asked = 0;
    DateTime now = START;
    TempFolder folder;
    RecordingWindow window;
    Monitor monitor{window,
                    Probes{[this](int32_t id) -> uint64_t { return id == TARGET ? bytes : 0; },
                           [this](int32_t id) {
                               ++cpu_asked;
                               return id == TARGET ? cpu : CPU_NO_READING;
                           },
                           [](int32_t id) { return id == TARGET ? std::string("target") : std::string(); }},
                    [this] { return now; }};
    MonitorState& state = monitor.state();

    void SetUp() override {
        window.process_id = std::to_string(TARGET);
        monitor.window_created(folder.path());
    }
    void TearDown() override { monitor.window_destroyed(); }

    void start_with_kb(int32_t kb) {
        bytes = static_cast<uint64_t>(kb) * 1024;
        monitor.start_or_stop();
        ASSERT_EQ(window.caption, RUNNING_CAPTION);
    }
    void tick_with_kb(int32_t kb, double percent = 1.5) {
        bytes = static_cast<uint64_t>(kb) * 1024;
        cpu = percent;
        monitor.sampling_tick();
    }
    // Kept ticks of first_kb, first_kb + 1, ...
    void keep_ticks(int count, int32_t first_kb) {
        for (int tick = 0; tick < count; ++tick) {
            tick_with_kb(first_kb + tick);
        }
    }
    std::string last_pane_line() const { return window.pane_lines().back(); }
};

TEST_F(CannedRun, WindowCreatedSetsGeometryAndDrawsTheGridOnly) {
    EXPECT_EQ(state.log_folder, folder.with_separator());
    EXPECT_EQ(state.grid_spacing, 10);
    EXPECT_EQ(state.x_step, 5);
    EXPECT_EQ(state.series_capacity, 96);
    ASSERT_FALSE(window.drawing.events.empty());
    EXPECT_EQ(window.drawing.events.front().kind, testing::ChartEvent::PEN) << "no clear first";
    EXPECT_EQ(window.drawing.lines(), grid_lines(480, 207, 10));
    EXPECT_EQ(window.drawing.events.back().kind, testing::ChartEvent::PRESENT);
}

TEST(SeriesCapacity, CanvasWidthOverTheStepTruncated) {
    struct Case {
        int32_t width;
        int32_t capacity;
    };
    for (const Case& c : {Case{480, 96}, Case{484, 96}, Case{479, 95}, Case{10, 2}}) {
        RecordingWindow window;
        window.canvas_width = c.width;
        Monitor monitor(window, Probes{}, Clock{});
        monitor.window_created("/nonexistent");
        EXPECT_EQ(monitor.state().series_capacity, c.capacity) << "width " << c.width;
        EXPECT_EQ(monitor.state().log_folder, "/nonexistent/") << "a trailing separator is added";
    }
}

TEST_F(CannedRun, StartFloorsWhereTheTickRounds) {
    bytes = 1536;
    cpu = 12.344;
    monitor.start_or_stop();
    EXPECT_EQ(window.initial_memory, "初始内存：1K");
    EXPECT_EQ(window.initial_cpu, "初始cpu：12.34%");
    EXPECT_EQ(window.process_name, "target");
    EXPECT_EQ(last_pane_line(), "内存:1 K CPU:12.34 %");
    EXPECT_EQ(state.memory_min_kb, 1);
    EXPECT_EQ(state.memory_max_kb, 1);

    bytes = 1536;
    monitor.sampling_tick();
    EXPECT_EQ(state.memory_series.values(), (std::vector<double>{1, 2}));
    EXPECT_EQ(last_pane_line(), "内存:2 K CPU:12.34 %");
}

TEST_F(CannedRun, TickMemoryKbRoundsHalvesUp) {
    struct Case {
        uint64_t bytes;
        int32_t kb;
    };
    start_with_kb(1);
    for (const Case& c : {Case{1535, 1}, Case{1023, 1}, Case{1536, 2}, Case{1234567 * 1024ull, 1234567}}) {
        bytes = c.bytes;
        monitor.sampling_tick();
        EXPECT_EQ(state.memory_series[state.memory_series.count() - 1], c.kb) << c.bytes << " bytes";
    }
    EXPECT_EQ(last_pane_line(), "内存:1,234,567 K CPU:1.5 %") << "tick records group the KB";
}

TEST_F(CannedRun, StartWritesPlainDigitsAndTheLabelHidesSignalValues) {
    cpu = CPU_BASELINE_TAKEN;
    start_with_kb(12345);
    EXPECT_EQ(last_pane_line(), "内存:12345 K CPU:-2 %");
    EXPECT_EQ(window.initial_cpu, "初始cpu：0%");
    EXPECT_EQ(state.cpu_series.values(), (std::vector<double>{-2.0}));
    EXPECT_EQ(window.sampling_period, 300);
    EXPECT_EQ(window.elapsed_period, 1000);
}

TEST_F(CannedRun, IntervalTextSetsTheSamplingPeriod) {
    struct Case {
        const char* text;
        int32_t period;
    };
    for (const Case& c : {Case{"300", 300}, Case{"0.9", 0}, Case{"250.75", 250}, Case{"abc", 0},
                          Case{"-100", -100}}) {
        window.interval = c.text;
        start_with_kb(100);
        EXPECT_EQ(window.sampling_period, c.period) << c.text;
        EXPECT_EQ(window.elapsed_period, 1000) << c.text << ": the elapsed time runs all the same";
        monitor.start_or_stop();
        EXPECT_EQ(window.caption, START_CAPTION);
    }
}

TEST_F(CannedRun, ProcessIdBelowOneStartsNothing) {
    for (const char* text : {"00000", "", "-5", "abc"}) {
        window.process_id = text;
        const std::string pane_before = window.record_pane.content;
        monitor.start_or_stop();
        EXPECT_EQ(window.messages.back(), INVALID_ID_MESSAGE) << text;
        EXPECT_EQ(window.caption, START_CAPTION) << text;
        EXPECT_EQ(window.sampling_period, 0) << text;
        EXPECT_EQ(window.elapsed_period, 0) << text;
        EXPECT_EQ(window.record_pane.content, pane_before) << text;
        EXPECT_EQ(state.memory_series.count(), 0) << text;
    }
    EXPECT_TRUE(files_in(folder.path()).empty()) << "no run, no log";
}

TEST_F(CannedRun, SeriesStayBelowCapacity) {
    start_with_kb(100);
    keep_ticks(94, 101);
    EXPECT_EQ(state.memory_series.count(), 95) << "after 94 kept ticks";
    for (int tick = 95; tick <= 120; ++tick) {
        keep_ticks(1, 100 + tick);
        ASSERT_EQ(state.memory_series.count(), 95) << "tick " << tick;
        ASSERT_EQ(state.cpu_series.count(), 95) << "tick " << tick;
    }
    EXPECT_EQ(state.memory_series[0], 126) << "the oldest pairs went first";
    EXPECT_EQ(state.memory_min_kb, 126) << "each evicted oldest was the minimum: recomputed";
    EXPECT_EQ(state.memory_max_kb, 220);
}

TEST_F(CannedRun, EvictingAnExtremeRecomputesAMiddleReadingDoesNot) {
    window.canvas_width = 20;  // capacity 4: at most 3 pairs after a tick
    monitor.window_created(folder.path());
    ASSERT_EQ(state.series_capacity, 4);
    start_with_kb(150);
    tick_with_kb(100);
    tick_with_kb(200);
    tick_with_kb(170);  // evicts 150, strictly between the extremes
    EXPECT_EQ(state.memory_series.values(), (std::vector<double>{100, 200, 170}));
    EXPECT_EQ(state.memory_min_kb, 100);
    EXPECT_EQ(state.memory_max_kb, 200);

    tick_with_kb(0);  // a failed reading still lowers the minimum
    EXPECT_EQ(state.memory_min_kb, 0);
    tick_with_kb(180);  // evicts 100, not an extreme any more: no recompute
    EXPECT_EQ(state.memory_series.values(), (std::vector<double>{200, 170, 180}));
    EXPECT_EQ(state.memory_min_kb, 0);
    tick_with_kb(190);  // evicts 200, the maximum: recomputed with the new reading
    EXPECT_EQ(state.memory_series.values(), (std::vector<double>{170, 180, 190}));
    EXPECT_EQ(state.memory_min_kb, 170);
    EXPECT_EQ(state.memory_max_kb, 190);
}

TEST_F(CannedRun, ChangeOnlyFilter) {
    struct Case {
        const char* shows;
        bool checked;
        double last_cpu;
        int32_t last_kb;
        double cpu;
        int32_t kb;
        bool recorded;
    };
    const Case cases[] = {
        {"the zeros of process start match no kept reading", true, 0.0, 0, 0.0, 100, true},
        {"equal reading is dropped", true, 1.5, 100, 1.5, 100, false},
        {"12.344 and 12.336 both round to 12.34", true, 12.34, 100, 12.336, 100, false},
        {"12.34 and 12.35 differ", true, 12.34, 100, 12.35, 100, true},
        {"memory differs", true, 1.5, 100, 1.5, 101, true},
        {"box not checked: equal readings are recorded", false, 1.5, 100, 1.5, 100, true},
    };
    for (const Case& c : cases) {
        start_with_kb(50);
        window.change_only = c.checked;
        state.last_recorded_cpu = c.last_cpu;
        state.last_recorded_memory_kb = c.last_kb;
        const std::string pane_before = window.record_pane.content;
        tick_with_kb(c.kb, c.cpu);
        EXPECT_EQ(state.memory_series.count(), c.recorded ? 2 : 1) << c.shows;
        EXPECT_EQ(window.record_pane.content != pane_before, c.recorded) << c.shows;
        if (c.checked && c.recorded) {
            EXPECT_EQ(state.last_recorded_memory_kb, c.kb) << c.shows;
            EXPECT_EQ(state.last_recorded_cpu, round_to_decimals(c.cpu, 2)) << c.shows;
        } else {
            EXPECT_EQ(state.last_recorded_memory_kb, c.last_kb) << c.shows << ": left alone";
        }
        monitor.start_or_stop();
    }
}

TEST_F(CannedRun, ChangeOnlyFilterOnFullSeriesRemovesWithoutAppending) {
    start_with_kb(100);
    keep_ticks(94, 101);
    window.change_only = true;
    tick_with_kb(500);
    ASSERT_EQ(state.memory_series.count(), 95);
    const std::string pane_before = window.record_pane.content;
    tick_with_kb(500);
    EXPECT_EQ(state.memory_series.count(), 94) << "the oldest pair went, the unchanged one did not come";
    EXPECT_EQ(window.record_pane.content, pane_before);
    tick_with_kb(501);
    EXPECT_EQ(state.memory_series.count(), 95) << "appended without another removal";
}

TEST_F(CannedRun, TickWithoutProcessIdShowsOneMessageAtATime) {
    start_with_kb(100);
    window.process_id = "";
    int nested_ticks = 0;
    window.while_message_shown = [&] {
        // The sampling timer goes on firing while the modal box is up.
        for (int i = 0; i < 3; ++i) {
            ++nested_ticks;
            monitor.sampling_tick();
        }
    };
    monitor.sampling_tick();
    EXPECT_EQ(nested_ticks, 3);
    EXPECT_EQ(window.messages, (std::vector<std::string>{MISSING_ID_MESSAGE}));

    window.while_message_shown = nullptr;
    monitor.sampling_tick();
    EXPECT_EQ(window.messages.size(), 2u) << "once dismissed, the next tick asks again";
    EXPECT_EQ(state.memory_series.count(), 1);
    EXPECT_EQ(window.sampling_period, 300) << "the timer keeps running";
}

TEST_F(CannedRun, FailedMemoryReadingEndsTheTickAfterWidening) {
    start_with_kb(100);
    const std::string pane_before = window.record_pane.content;
    const auto events_before = window.drawing.events.size();
    const int cpu_before = cpu_asked;
    for (const char* id : {"-5", "99999"}) {  // a negative id and an id with no process
        window.process_id = id;
        state.memory_min_kb = 100;
        monitor.sampling_tick();
        EXPECT_EQ(state.memory_min_kb, 0) << id;
        EXPECT_EQ(state.memory_max_kb, 100) << id;
    }
    EXPECT_TRUE(window.messages.empty());
    EXPECT_EQ(cpu_asked, cpu_before) << "the CPU probe is not asked";
    EXPECT_EQ(state.memory_series.count(), 1);
    EXPECT_EQ(window.record_pane.content, pane_before);
    EXPECT_EQ(window.drawing.events.size(), events_before);
}

TEST_F(CannedRun, KeptTickRedrawsThenRecordsThenPresents) {
    start_with_kb(100);
    window.drawing.events.clear();
    tick_with_kb(200, 50);
    const auto& events = window.drawing.events;
    ASSERT_GE(events.size(), 3u);
    EXPECT_EQ(events[0].kind, testing::ChartEvent::CLEAR);
    EXPECT_EQ(events[1], (testing::ChartEvent{testing::ChartEvent::PEN, GRID_COLOUR, {}}));
    std::vector<ChartSegment> expected = grid_lines(480, 207, 10);
    for (const auto& part : {memory_curve(207, state.memory_series, 100, 200, 5),
                             cpu_curve(207, state.cpu_series, 5)}) {
        expected.insert(expected.end(), part.begin(), part.end());
    }
    EXPECT_EQ(window.drawing.lines(), expected);
    EXPECT_EQ(events.back().kind, testing::ChartEvent::PRESENT);
    EXPECT_EQ(window.drawing.pen, CPU_COLOUR);
}

TEST_F(CannedRun, StopResetsTheRunAndKeepsWhatCarriesOver) {
    window.change_only = true;
    start_with_kb(100);
    tick_with_kb(300, 2.5);
    for (int second = 0; second < 5; ++second) {
        monitor.elapsed_step();
    }
    monitor.start_or_stop();
    EXPECT_EQ(window.caption, START_CAPTION);
    EXPECT_EQ(window.sampling_period, 0);
    EXPECT_EQ(window.elapsed_period, 0);
    EXPECT_EQ(state.log_file, NO_LOG_FILE);
    EXPECT_EQ(state.memory_series.count(), 0);
    EXPECT_EQ(state.cpu_series.count(), 0);
    EXPECT_EQ(state.elapsed_seconds, 0);
    EXPECT_EQ(window.elapsed, "监控时间：5秒") << "the label keeps the last time";
    EXPECT_EQ(state.memory_max_kb, 300);
    EXPECT_EQ(state.last_recorded_memory_kb, 300);
    EXPECT_EQ(state.last_recorded_cpu, 2.5);

    now.second = 50;
    start_with_kb(80);
    EXPECT_EQ(state.memory_min_kb, 80) << "a new start sets both extremes afresh";
    EXPECT_EQ(state.memory_max_kb, 80);
    monitor.elapsed_step();
    EXPECT_EQ(window.elapsed, "监控时间：1秒");
    EXPECT_EQ(files_in(folder.path()).size(), 2u) << "each run has its own file";
}

TEST_F(CannedRun, ClickWhileRunningAlwaysStops) {
    start_with_kb(100);
    window.process_id = "00000";
    window.interval = "";
    monitor.start_or_stop();
    EXPECT_EQ(window.caption, START_CAPTION);
    EXPECT_TRUE(window.messages.empty());
}

TEST(ElapsedText, HoursMinutesSecondsWithoutPadding) {
    struct Case {
        int32_t seconds;
        const char* text;
    };
    const Case cases[] = {
        {1, "1秒"},       {59, "59秒"},         {60, "1分0秒"},           {61, "1分1秒"},
        {3599, "59分59秒"}, {3600, "1时0分0秒"}, {3725, "1时2分5秒"}, {25 * 3600, "25时0分0秒"},
    };
    RecordingWindow window;
    Monitor monitor(window, Probes{}, Clock{});
    for (const Case& c : cases) {
        monitor.state().elapsed_seconds = c.seconds - 1;
        EXPECT_EQ(monitor.elapsed_text(), c.text) << c.seconds;
        EXPECT_EQ(monitor.state().elapsed_seconds, c.seconds);
    }
    monitor.reset_elapsed();
    monitor.elapsed_step();
    EXPECT_EQ(window.elapsed, "监控时间：1秒");
}

TEST_F(CannedRun, LogFileNameIsFixedAtTheRunsFirstRecord) {
    struct Case {
        const char* shows;
        DateTime start;
        std::string process_id;
        std::string file;
    };
    const Case cases[] = {
        {"leading zeros kept as typed", START, "004242", "2018年8月21日15时31分46秒-ID004242.txt"},
        {"a start on the full hour", {2018, 8, 21, 15, 0, 0}, "4242", "2018年8月21日15时-ID4242.txt"},
        {"a slash replaced, the run still logged", START, "4242/3", "2018年8月21日15时31分46秒-ID4242_3.txt"},
    };
    for (const Case& c : cases) {
        TempFolder logs;
        monitor.window_created(logs.path());
        now = c.start;
        window.process_id = c.process_id;
        start_with_kb(100);
        window.process_id = "4242";  // a change during the run does not rename the file
        tick_with_kb(100);
        monitor.start_or_stop();
        EXPECT_EQ(files_in(logs.path()), std::vector<std::string>{c.file}) << c.shows;
        const std::string text = gbk_to_utf8(file_bytes(logs.with_separator() + c.file));
        EXPECT_NE(text.find("内存:100 K CPU:1.5 %\r\n"), std::string::npos) << c.shows;
    }
}

TEST_F(CannedRun, LogThatCannotBeOpenedIsReportedOncePerRun) {
    const std::string in_the_way = folder.path() + "/plain-file";
    std::ofstream(in_the_way) << "x";
    monitor.window_created(in_the_way);
    const std::string report = "日志文件无法打开：" + in_the_way +
                               "/2018年8月21日15时31分46秒-ID4242.txt（" + std::strerror(ENOTDIR) + "）";
    for (int run = 0; run < 2; ++run) {
        window.record_pane.content.clear();
        start_with_kb(100);
        tick_with_kb(200);
        tick_with_kb(300);
        monitor.start_or_stop();
        EXPECT_EQ(window.pane_lines(),
                  (std::vector<std::string>{"", "内存:100 K CPU:1.5 %", report, "内存:200 K CPU:1.5 %",
                                            "内存:300 K CPU:1.5 %"}))
            << "run " << run;
    }
}

TEST_F(CannedRun, FailedWriteIsReportedOnceAndTheRunGoesOn) {
    start_with_kb(100);
    const std::string path = folder.with_separator() + files_in(folder.path()).at(0);
    const auto size = std::filesystem::file_size(path);

    // A file-size limit makes the kernel refuse further bytes with EFBIG.
    rlimit old_limit{};
    getrlimit(RLIMIT_FSIZE, &old_limit);
    rlimit low = old_limit;
    low.rlim_cur = size + 10;
    void (*old_handler)(int) = signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &low);
    tick_with_kb(200);
    tick_with_kb(300);
    setrlimit(RLIMIT_FSIZE, &old_limit);
    signal(SIGXFSZ, old_handler);

    EXPECT_EQ(state.memory_series.count(), 3);
    const auto lines = window.pane_lines();
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[2], "内存:200 K CPU:1.5 %");
    EXPECT_EQ(lines[3], "日志写入失败：" + path + "（" + std::strerror(EFBIG) + "）");
    EXPECT_EQ(lines[4], "内存:300 K CPU:1.5 %");
}

TEST_F(CannedRun, WindowDestroyedStopsSamplingAndClosesTheLog) {
    start_with_kb(100);
    const int descriptor = state.log_file - 1;
    monitor.window_destroyed();
    EXPECT_EQ(window.sampling_period, 0);
    EXPECT_EQ(fcntl(descriptor, F_GETFD), -1) << "the log file's descriptor is closed";
    state.log_file = NO_LOG_FILE;
}

// A child that sleeps: a real target for the real probes.
class RealTarget : public ::testing::Test {
protected:
    pid_t child = -1;

    void SetUp() override {
        char program[] = "/bin/sleep";
        char seconds[] = "60";
        char* argv[] = {program, seconds, nullptr};
        ASSERT_EQ(posix_spawn(&child, program, nullptr, nullptr, argv, environ), 0);
        cpu_baseline() = {};
    }
    void TearDown() override {
        if (child > 0) {
            kill(child, SIGKILL);
            waitpid(child, nullptr, 0);
        }
    }
};

TEST_F(RealTarget, WholeRunIsRecordedInThePaneAndTheLog) {
    TempFolder logs;
    DateTime now = START;
    RecordingWindow window;
    window.process_id = std::to_string(child);
    Monitor monitor(window, real_probes(), [&now] { return now; });
    monitor.window_created(logs.path());

    monitor.start_or_stop();
    ASSERT_EQ(window.caption, RUNNING_CAPTION);
    EXPECT_EQ(window.process_name, "sleep");
    EXPECT_EQ(window.initial_cpu, "初始cpu：0%") << "a fresh baseline gives -2, shown as 0";
    const MonitorState& state = monitor.state();
    const int32_t initial_kb = static_cast<int32_t>(state.memory_series[0]);
    EXPECT_GT(initial_kb, 0);
    EXPECT_EQ(window.pane_lines().back(), "内存:" + int_to_text(initial_kb) + " K CPU:-2 %");

    now.second = 47;
    monitor.sampling_tick();
    monitor.sampling_tick();
    ASSERT_EQ(state.memory_series.count(), 3);
    // A sleeping child may not have used any CPU time yet, and the probe then
    // takes its baseline again: the records carry whatever the series hold.
    std::vector<std::string> tick_lines;
    for (int32_t k = 1; k <= 2; ++k) {
        tick_lines.push_back(tick_record(static_cast<int32_t>(state.memory_series[k]), state.cpu_series[k]));
    }
    const auto pane = window.pane_lines();
    EXPECT_EQ(std::vector<std::string>(pane.end() - 2, pane.end()), tick_lines);

    monitor.start_or_stop();
    EXPECT_EQ(state.log_file, NO_LOG_FILE);
    const std::string name = "2018年8月21日15时31分46秒-ID" + window.process_id + ".txt";
    ASSERT_EQ(files_in(logs.path()), std::vector<std::string>{name});

    const std::string bytes = file_bytes(logs.with_separator() + name);
    ASSERT_GE(bytes.size(), 3u);
    EXPECT_NE(bytes.substr(0, 3), "\xEF\xBB\xBF") << "no byte-order mark";
    const std::string text = gbk_to_utf8(bytes);
    const auto lines = RecordingWindow::split_lines(text);
    const std::vector<std::string> expected{"2018年8月21日15时31分46秒",
                                            "初始记录",
                                            "内存:" + int_to_text(initial_kb) + " K CPU:-2 %",
                                            "------------------",
                                            "",
                                            "2018年8月21日15时31分47秒",
                                            tick_lines[0],
                                            "2018年8月21日15时31分47秒",
                                            tick_lines[1],
                                            ""};
    EXPECT_EQ(lines, expected);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), std::count(text.begin(), text.end(), '\r'))
        << "every line ends with CR LF";

    now.second = 48;
    monitor.start_or_stop();
    monitor.start_or_stop();
    EXPECT_EQ(files_in(logs.path()).size(), 2u) << "the next run opens a new file";
    monitor.window_destroyed();
}

}  // namespace
}  // namespace tessivo
