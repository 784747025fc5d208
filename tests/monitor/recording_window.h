#pragma once
// A stand-in for the main window: it holds the pane text and records what the
// run sets (captions, timer periods, messages) and what the chart draws.
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "monitor/monitoring.h"

namespace tessivo::testing {

// Everything the chart does, in order.
struct ChartEvent {
    enum Kind { PEN, CLEAR, LINE, PRESENT };
    Kind kind = CLEAR;
    Rgb colour;            // PEN
    ChartSegment segment;  // LINE, in the pen colour of the moment
    bool operator==(const ChartEvent&) const = default;
};

class RecordingChart : public ChartSurface {
public:
    int32_t canvas_width = 480;
    int32_t canvas_height = 207;
    Rgb pen;
    std::vector<ChartEvent> events;

    int32_t width() const override { return canvas_width; }
    int32_t height() const override { return canvas_height; }
    void set_pen_colour(Rgb colour) override {
        pen = colour;
        events.push_back(ChartEvent{ChartEvent::PEN, colour, {}});
    }
    void clear() override { events.push_back(ChartEvent{ChartEvent::CLEAR, {}, {}}); }
    void draw_line(int32_t x1, int32_t y1, int32_t x2, int32_t y2) override {
        events.push_back(ChartEvent{ChartEvent::LINE, {}, ChartSegment{pen, x1, y1, x2, y2}});
    }
    void present() override { events.push_back(ChartEvent{ChartEvent::PRESENT, {}, {}}); }

    std::vector<ChartSegment> lines() const {
        std::vector<ChartSegment> result;
        for (const ChartEvent& event : events) {
            if (event.kind == ChartEvent::LINE) {
                result.push_back(event.segment);
            }
        }
        return result;
    }
};

class RecordingPane : public RecordPane {
public:
    std::string content;
    std::string text() const override { return content; }
    void set_text(const std::string& text) override { content = text; }
    void append_at_end(const std::string& text) override { content += text; }
};

class RecordingWindow : public MonitorWindow {
public:
    std::string process_id = "1";
    std::string interval = "300";
    bool change_only = false;
    std::string caption = START_CAPTION;
    std::string process_name;
    std::string initial_memory = "初始内存：";
    std::string initial_cpu = "初始cpu：";
    std::string elapsed = "监控时间：";
    int32_t sampling_period = 0;
    int32_t elapsed_period = 0;
    std::vector<std::string> messages;
    // Runs inside show_message, as the nested event loop of a modal box would.
    std::function<void()> while_message_shown;
    RecordingPane record_pane;
    RecordingChart drawing;
    int32_t canvas_width = 480;

    std::string process_id_text() const override { return process_id; }
    std::string interval_text() const override { return interval; }
    bool change_only_checked() const override { return change_only; }
    std::string start_caption() const override { return caption; }
    void set_start_caption(const std::string& text) override { caption = text; }
    void set_process_name(const std::string& text) override { process_name = text; }
    void set_initial_memory(const std::string& text) override { initial_memory = text; }
    void set_initial_cpu(const std::string& text) override { initial_cpu = text; }
    void set_elapsed(const std::string& text) override { elapsed = text; }
    void set_sampling_period(int32_t milliseconds) override { sampling_period = milliseconds; }
    void set_elapsed_period(int32_t milliseconds) override { elapsed_period = milliseconds; }
    void show_message(const std::string& text) override {
        messages.push_back(text);
        if (while_message_shown) {
            while_message_shown();
        }
    }
    RecordPane& pane() override { return record_pane; }
    ChartSurface& chart() override { return drawing; }
    int32_t drawing_canvas_width() const override { return canvas_width; }

    // The pane's records, one per line (the pane starts empty, so line 0 is empty).
    std::vector<std::string> pane_lines() const { return split_lines(record_pane.content); }

    static std::vector<std::string> split_lines(const std::string& text) {
        std::vector<std::string> lines;
        std::size_t begin = 0;
        for (std::size_t end = text.find("\r\n"); end != std::string::npos;
             end = text.find("\r\n", begin)) {
            lines.push_back(text.substr(begin, end - begin));
            begin = end + 2;
        }
        lines.push_back(text.substr(begin));
        return lines;
    }
};

inline SampleSeries series_of(const std::vector<double>& values) {
    SampleSeries series;
    for (double value : values) {
        series.append(value);
    }
    return series;
}

inline std::string file_bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The names in a folder, sorted.
inline std::vector<std::string> files_in(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempFolder {
public:
    TempFolder() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "tessivo-test-XXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr) {
            path_ = pattern;
        }
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::string& path() const { return path_; }
    std::string with_separator() const { return path_ + "/"; }

private:
    std::string path_;
};

}  // namespace tessivo::testing
