#pragma once
// The tool's one window: the controls of the layout at their fixed places,
// bound to the monitoring run. It holds no monitoring state of its own.
#include <QWidget>
#include <memory>
#include <string>

#include "monitor/monitoring.h"

class QCheckBox;
class QCloseEvent;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTimer;

namespace tessivo {

class Canvas;
class ChartCanvases;
class Picker;
class PlainTextPane;

inline constexpr const char* WINDOW_TITLE = "Tessivo2.0";
inline constexpr const char* MESSAGE_TITLE = "信息：";
inline constexpr int CLIENT_WIDTH = 482;   // pixels
inline constexpr int CLIENT_HEIGHT = 365;  // pixels

class MainWindow : public QWidget, public MonitorWindow {
    Q_OBJECT
public:
    // An empty log_folder lets prepare_log_folder() choose; tests pass their own
    // folder (with a trailing separator).
    explicit MainWindow(const std::string& log_folder = {});
    ~MainWindow() override;

    Monitor& monitor() { return *monitor_; }

    // MonitorWindow
    std::string process_id_text() const override;
    std::string interval_text() const override;
    bool change_only_checked() const override;
    std::string start_caption() const override;
    void set_start_caption(const std::string& caption) override;
    void set_process_name(const std::string& caption) override;
    void set_initial_memory(const std::string& caption) override;
    void set_initial_cpu(const std::string& caption) override;
    void set_elapsed(const std::string& caption) override;
    void set_sampling_period(int32_t milliseconds) override;
    void set_elapsed_period(int32_t milliseconds) override;
    void show_message(const std::string& text) override;
    RecordPane& pane() override;
    ChartSurface& chart() override;
    int32_t drawing_canvas_width() const override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void create_controls();
    void set_always_on_top(bool on_top);
    void destroy_once();

    QLabel* finder_box_ = nullptr;             // 图片框1
    Canvas* visible_canvas_ = nullptr;         // 画板2
    QTimer* elapsed_timer_ = nullptr;          // 时钟计时
    QLabel* elapsed_label_ = nullptr;          // 标签用时
    QCheckBox* change_only_box_ = nullptr;     // 选择框变化时抓取
    QCheckBox* on_top_box_ = nullptr;          // 选择框置顶
    QLabel* initial_cpu_label_ = nullptr;      // 标签初始cpu
    QLabel* initial_memory_label_ = nullptr;   // 标签初始内存
    QPushButton* start_button_ = nullptr;      // 按钮开始监控
    QTimer* sampling_timer_ = nullptr;         // 时钟1
    QLineEdit* interval_box_ = nullptr;        // 编辑框速度
    QLabel* process_name_label_ = nullptr;     // 标签进程名
    QLineEdit* process_id_box_ = nullptr;      // 编辑框进程ID
    QPlainTextEdit* record_box_ = nullptr;     // 编辑框文本显示
    Canvas* drawing_canvas_ = nullptr;         // 画板1

    // Destroyed in reverse order, all before the controls they point to.
    std::unique_ptr<PlainTextPane> pane_;
    std::unique_ptr<ChartCanvases> chart_;
    std::unique_ptr<Monitor> monitor_;
    std::unique_ptr<Picker> picker_;
    bool destroyed_ = false;  // window_destroyed has run
};

}  // namespace tessivo
