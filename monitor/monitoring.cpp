#include "monitor/monitoring.h"

#include <cmath>
#include <utility>

#include "probes/cpu_probe.h"
#include "probes/memory_probe.h"
#include "probes/process_name.h"
#include "text/number_text.h"

namespace tessivo {

namespace {

const char* const ELAPSED_PREFIX = "监控时间：";
const char* const INITIAL_MEMORY_PREFIX = "初始内存：";
const char* const INITIAL_CPU_PREFIX = "初始cpu：";
const char* const LOG_OPEN_FAILED = "日志文件无法打开：";
const char* const LOG_WRITE_FAILED = "日志写入失败：";
const char* const LOG_RECREATED = "日志文件已被删除，已重新创建：";
constexpr int32_t ELAPSED_PERIOD_MS = 1000;

// A probe left unset measures nothing: it gives the probe's failure value.
uint64_t memory_bytes(const Probes& probes, int32_t process_id) {
    return probes.private_working_set_bytes ? probes.private_working_set_bytes(process_id) : 0;
}

double cpu_percent(const Probes& probes, int32_t process_id) {
    return probes.cpu_usage_percent ? probes.cpu_usage_percent(process_id) : CPU_NO_READING;
}

std::string process_name_of(const Probes& probes, int32_t process_id) {
    return probes.executable_name_of_process ? probes.executable_name_of_process(process_id)
                                             : std::string();
}

}  // namespace

Probes real_probes() {
    return Probes{private_working_set_bytes, cpu_usage_percent, executable_name_of_process};
}

Monitor::Monitor(MonitorWindow& window, Probes probes, Clock clock)
    : window_(window), probes_(std::move(probes)), clock_(clock ? std::move(clock) : Clock(current_datetime)) {}

void Monitor::window_created() { window_created(prepare_log_folder()); }

void Monitor::window_created(const std::string& log_folder) {
    state_.log_folder = log_folder;
    if (state_.log_folder.empty() || state_.log_folder.back() != '/') {
        state_.log_folder += '/';
    }
    state_.grid_spacing = GRID_SPACING;
    state_.x_step = X_STEP;
    // Readings that fit across the chart; computed once, the canvas does not resize.
    state_.series_capacity = truncate_to_int32(static_cast<double>(window_.drawing_canvas_width()) /
                                               static_cast<double>(state_.x_step));
    // The canvas is still blank: the grid goes on without a clear.
    draw_grid(window_.chart(), state_);
}

// The sampling timer stops before the log closes, so no tick writes to a closed file.
void Monitor::window_destroyed() {
    window_.set_sampling_period(0);
    close_log(state_);
}

void Monitor::start_or_stop() {
    if (window_.start_caption() == START_CAPTION) {
        start();
    } else {
        stop();
    }
}

void Monitor::start() {
    const int32_t process_id = text_to_int(window_.process_id_text());
    if (process_id < 1) {
        window_.show_message(INVALID_ID_MESSAGE);
        return;
    }
    log_failure_reported_ = false;
    log_recreated_reported_ = false;

    ChartSurface& chart = window_.chart();
    clear_drawing_canvas(chart);
    draw_grid(chart, state_);

    const uint64_t bytes = memory_bytes(probes_, process_id);
    window_.set_process_name(process_name_of(probes_, process_id));
    // The start floors where the tick rounds: 1536 bytes are 1 KB here, 2 KB in a tick.
    const int32_t memory_kb = floor_to_int(static_cast<double>(bytes) / 1024.0);
    state_.memory_max_kb = memory_kb;
    state_.memory_min_kb = memory_kb;
    // The memory reading goes in before the CPU probe is asked.
    state_.memory_series.append(static_cast<double>(memory_kb));
    const double cpu = round_to_decimals(cpu_percent(probes_, process_id), 2);
    state_.cpu_series.append(cpu);

    write_record(initial_record_for_pane(memory_kb, cpu), initial_record_for_log(memory_kb, cpu));

    window_.set_initial_memory(INITIAL_MEMORY_PREFIX + int_to_text(memory_kb) + "K");
    // The label shows a signal value as 0; the series and the record keep it.
    const double cpu_for_label = cpu < -TOLERANCE ? 0.0 : cpu;
    window_.set_initial_cpu(INITIAL_CPU_PREFIX + double_to_text(cpu_for_label) + "%");

    // Milliseconds; 0 or less leaves the sampling timer stopped while the run goes on.
    const int32_t interval = truncate_to_int32(text_to_number(window_.interval_text()));
    window_.set_sampling_period(interval);
    window_.set_start_caption(RUNNING_CAPTION);
    window_.set_elapsed_period(ELAPSED_PERIOD_MS);
}

void Monitor::stop() {
    close_log(state_);
    window_.set_elapsed_period(0);
    reset_elapsed();
    state_.log_file = NO_LOG_FILE;
    window_.set_sampling_period(0);
    window_.set_start_caption(START_CAPTION);
    clear_series(state_);
}

void Monitor::sampling_tick() {
    const int32_t process_id = text_to_int(window_.process_id_text());
    if (process_id == 0) {
        // The message is modal but the timer keeps running: ticks that come
        // while it is shown end here instead of stacking more boxes.
        if (missing_id_message_shown_) {
            return;
        }
        missing_id_message_shown_ = true;
        window_.show_message(MISSING_ID_MESSAGE);
        missing_id_message_shown_ = false;
        return;
    }

    const uint64_t bytes = memory_bytes(probes_, process_id);
    const int32_t memory_kb = truncate_to_int32(round_to_decimals(static_cast<double>(bytes) / 1024.0, 0));
    // Every reading widens the extremes, also the failed one of 0 KB.
    widen_memory_extremes(state_, memory_kb);
    bool evict = false;
    if (memory_kb <= 0) {
        return;  // the probe failed: nothing is stored, drawn or recorded
    }

    const int32_t count = state_.memory_series.count();
    if (static_cast<double>(count + 1) - static_cast<double>(state_.series_capacity) >= -TOLERANCE &&
        count > 0) {
        evict = touches_memory_extreme(state_, state_.memory_series[0]);
        remove_oldest_pair(state_);
    }

    const double cpu = round_to_decimals(cpu_percent(probes_, process_id), 2);

    if (window_.change_only_checked()) {
        if (std::fabs(state_.last_recorded_cpu - cpu) <= TOLERANCE &&
            memory_kb == state_.last_recorded_memory_kb) {
            return;  // unchanged: the removed pair stays removed, no recompute
        }
        state_.last_recorded_cpu = cpu;
        state_.last_recorded_memory_kb = memory_kb;
    }

    append_pair(state_, cpu, memory_kb);
    if (evict) {
        recompute_memory_extremes(state_);
    }

    ChartSurface& chart = window_.chart();
    clear_drawing_canvas(chart);
    draw_grid(chart, state_);
    draw_curves(chart, state_);

    const std::string record = tick_record(memory_kb, cpu);
    write_record(record, record);
    show_chart(chart);
}

void Monitor::elapsed_step() { window_.set_elapsed(ELAPSED_PREFIX + elapsed_text()); }

std::string Monitor::elapsed_text() {
    ++state_.elapsed_seconds;
    const int32_t c = state_.elapsed_seconds;
    if (c <= 59) {
        return int_to_text(c) + "秒";
    }
    if (c <= 3599) {
        const int32_t minutes = floor_to_int(c / 60.0);
        const int32_t seconds = truncate_to_int32(remainder(c, 60.0));
        return int_to_text(minutes) + "分" + int_to_text(seconds) + "秒";
    }
    const int32_t hours = floor_to_int(c / 3600.0);
    const int32_t rest = truncate_to_int32(remainder(c, 3600.0));
    const int32_t minutes = floor_to_int(rest / 60.0);
    const int32_t seconds = truncate_to_int32(remainder(rest, 60.0));
    return int_to_text(hours) + "时" + int_to_text(minutes) + "分" + int_to_text(seconds) + "秒";
}

void Monitor::reset_elapsed() { state_.elapsed_seconds = 0; }

// The pane first, then the log. A log that cannot be opened or written, and a
// log file deleted and made again, are each told once per run, in the pane,
// after the record that met them.
void Monitor::write_record(const std::string& pane_text, const std::string& log_text) {
    RecordPane& pane = window_.pane();
    add_record_to_pane(pane, pane_text);
    const LogWriteResult result =
        write_record_to_log(state_, log_text, window_.process_id_text(), clock_);
    if (result.recreated && !log_recreated_reported_) {
        log_recreated_reported_ = true;
        add_record_to_pane(pane, LOG_RECREATED + result.path);
    }
    if (log_failure_reported_ || !(result.open_failed || result.write_failed)) {
        return;
    }
    log_failure_reported_ = true;
    const char* const what = result.open_failed ? LOG_OPEN_FAILED : LOG_WRITE_FAILED;
    add_record_to_pane(pane, what + result.path + "（" + result.error + "）");
}

}  // namespace tessivo
