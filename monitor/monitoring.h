#pragma once
// A monitoring run: start and stop, the sampling tick, the elapsed time, and
// what happens when the window is created and destroyed. It knows nothing about
// widgets: it reads the window through MonitorWindow and measures through Probes.
#include <cstdint>
#include <functional>
#include <string>

#include "monitor/monitor_state.h"
#include "ui/chart.h"
#include "ui/record_log.h"

namespace tessivo {

inline constexpr const char* START_CAPTION = "开始监控";
inline constexpr const char* RUNNING_CAPTION = "正在监控";
inline constexpr const char* INVALID_ID_MESSAGE = "请填写有效进程ID!";
inline constexpr const char* MISSING_ID_MESSAGE = "请填写进程ID";
inline constexpr int32_t GRID_SPACING = 10;
inline constexpr int32_t X_STEP = 5;

// The controls of the main window, as the run reads and writes them.
class MonitorWindow {
public:
    virtual ~MonitorWindow() = default;
    virtual std::string process_id_text() const = 0;       // 编辑框进程ID
    virtual std::string interval_text() const = 0;         // 编辑框速度
    virtual bool change_only_checked() const = 0;          // 选择框变化时抓取
    virtual std::string start_caption() const = 0;         // 按钮开始监控
    virtual void set_start_caption(const std::string& caption) = 0;
    virtual void set_process_name(const std::string& caption) = 0;     // 标签进程名
    virtual void set_initial_memory(const std::string& caption) = 0;   // 标签初始内存
    virtual void set_initial_cpu(const std::string& caption) = 0;      // 标签初始cpu
    virtual void set_elapsed(const std::string& caption) = 0;          // 标签用时
    virtual void set_sampling_period(int32_t milliseconds) = 0;        // 时钟1; 0 or less stops
    virtual void set_elapsed_period(int32_t milliseconds) = 0;         // 时钟计时; 0 stops
    // A modal message owned by the main window, titled "信息："; returns when dismissed.
    virtual void show_message(const std::string& text) = 0;
    virtual RecordPane& pane() = 0;                                    // 编辑框文本显示
    virtual ChartSurface& chart() = 0;                                 // 画板1 and 画板2
    virtual int32_t drawing_canvas_width() const = 0;                  // 画板1, outer width
};

// What a run measures with; the real probes by default.
struct Probes {
    std::function<uint64_t(int32_t)> private_working_set_bytes;
    std::function<double(int32_t)> cpu_usage_percent;
    std::function<std::string(int32_t)> executable_name_of_process;
};
Probes real_probes();

class Monitor {
public:
    Monitor(MonitorWindow& window, Probes probes, Clock clock);

    // The log folder is chosen and made here (see prepare_log_folder).
    void window_created();
    void window_created(const std::string& log_folder);  // with a folder already chosen
    void window_destroyed();
    void start_or_stop();   // 按钮开始监控 clicked
    void sampling_tick();   // 时钟1
    void elapsed_step();    // 时钟计时
    std::string elapsed_text();  // adds one second, returns the text
    void reset_elapsed();

    MonitorState& state() { return state_; }
    const MonitorState& state() const { return state_; }

private:
    void start();
    void stop();
    void write_record(const std::string& pane_text, const std::string& log_text);

    MonitorWindow& window_;
    Probes probes_;
    Clock clock_;
    MonitorState state_;
    bool missing_id_message_shown_ = false;  // at most one tick message at a time
    bool log_failure_reported_ = false;      // the user hears of a failed log once per run
    bool log_recreated_reported_ = false;    // and of a deleted log file made again
};

}  // namespace tessivo
