// One move of the finder across the screen: the window under the pointer, its
// root owner, its process id and executable name, with the window list and the
// process list built afresh as on every move. The screen holds 50 application
// windows (25 X clients with a main window and a dialog each) and the system
// at least 300 processes. Needs an X server: run it under xvfb-run.
#include <benchmark/benchmark.h>
#include <dirent.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <cctype>
#include <cstdio>
#include <memory>
#include <vector>

#include "monitor/monitor_state.h"
#include "probes/window_directory.h"
#include "tests/support/x11_target_process.h"
#include "ui/picker.h"

namespace {

constexpr int WINDOW_CLIENTS = 25;  // two top-level windows each
constexpr int PROCESSES = 300;

int process_count() {
    int count = 0;
    if (DIR* proc = ::opendir("/proc")) {
        while (const dirent* entry = ::readdir(proc)) {
            if (std::isdigit(static_cast<unsigned char>(entry->d_name[0]))) ++count;
        }
        ::closedir(proc);
    }
    return count;
}

// The windows and processes, made once for all benchmarks.
class Scene {
public:
    Scene() {
        for (int i = 0; i < WINDOW_CLIENTS; ++i) {
            const int x = 40 * (i % 5);
            const int y = 40 * (i / 5);
            clients_.push_back(std::make_unique<tessivo::testing::X11Target>(
                std::vector<std::string>{"--at", std::to_string(x), std::to_string(y)}));
        }
        while (process_count() < PROCESSES) {
            sleepers_.push_back(std::make_unique<QProcess>());
            sleepers_.back()->start(QStringLiteral("/bin/sleep"), {QStringLiteral("1000")});
            sleepers_.back()->waitForStarted();
        }
        // Over the child window of the topmost client.
        QProcess::execute(QStringLiteral("xdotool"),
                          {QStringLiteral("mousemove"), QStringLiteral("260"), QStringLiteral("260")});
    }
    ~Scene() {
        for (auto& sleeper : sleepers_) {
            sleeper->kill();
            sleeper->waitForFinished();
        }
    }
    uint32_t topmost_pid() const { return clients_.back()->pid(); }

private:
    std::vector<std::unique_ptr<tessivo::testing::X11Target>> clients_;
    std::vector<std::unique_ptr<QProcess>> sleepers_;
};

Scene* scene = nullptr;

void count_what_was_seen(benchmark::State& state) {
    state.counters["windows"] = static_cast<double>(tessivo::list_top_level_windows().size());
    state.counters["processes"] = static_cast<double>(tessivo::list_processes().size());
}

void picker_move(benchmark::State& state) {
    tessivo::MonitorState monitor_state;
    QLabel picture_box;
    QLineEdit process_id_box;
    QLabel process_name_label;
    tessivo::Picker picker(monitor_state, picture_box, process_id_box, process_name_label);
    monitor_state.picker_dragging = 1;  // as between a press and its release
    for (auto _ : state) {
        picker.finder_moved();
    }
    if (process_id_box.text().toUInt() != scene->topmost_pid()) state.SkipWithError("the pointer missed the window");
    count_what_was_seen(state);
}
BENCHMARK(picker_move)->Unit(benchmark::kMillisecond);

// The two parts of a move that grow with the screen and the system.
void window_list(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(tessivo::list_top_level_windows());
    count_what_was_seen(state);
}
BENCHMARK(window_list)->Unit(benchmark::kMillisecond);

void process_list(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(tessivo::list_processes());
    count_what_was_seen(state);
}
BENCHMARK(process_list)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
        std::fputs("picker_bench needs an X server: run it under xvfb-run\n", stderr);
        return 1;
    }
    Scene made;
    scene = &made;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
