// Faults and bad input during a run: a target that exits and whose id comes
// back, a log folder that cannot be written, a full disk, a log file deleted
// under the run, hostile texts in the two boxes, and a start without a
// display. In every case nothing is lost that could be kept and nothing crashes.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "../support/child_process.h"
#include "../support/run_program.h"
#include "probes/cpu_probe.h"
#include "probes/platform.h"
#include "recording_window.h"
#include "text/gbk.h"

namespace tessivo {
namespace {

using testing::ChildProcess;
using testing::RecordingWindow;
using testing::TempFolder;
using testing::file_bytes;
using testing::files_in;
using testing::support_program;

const DateTime START{2018, 8, 21, 15, 31, 46};
const std::string START_STAMP = "2018年8月21日15时31分46秒";
constexpr int32_t TARGET = 4242;

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// ---- the target exits, and its id comes back ----

// A run with the real probes against a real child.
class RunOnRealTarget : public ::testing::Test {
protected:
    TempFolder logs;
    RecordingWindow window;
    Monitor monitor{window, real_probes(), [] { return START; }};
    const MonitorState& state = monitor.state();

    void SetUp() override {
        cpu_baseline() = CpuBaseline{};
        monitor.window_created(logs.path());
    }
    void TearDown() override { monitor.window_destroyed(); }

    std::string log_text() const {
        const auto files = files_in(logs.path());
        return files.size() == 1 ? gbk_to_utf8(file_bytes(logs.with_separator() + files[0])) : "";
    }
};

TEST_F(RunOnRealTarget, TicksAfterTheTargetExitedEndQuietlyAndTheRunGoesOn) {
    struct Case {
        const char* shows;
        bool reaped;
    };
    const Case cases[] = {
        {"exited, not yet reaped (a zombie keeps the id)", false},
        {"exited and reaped", true},
    };
    for (const Case& c : cases) {
        ChildProcess target(support_program("memory_child"), {"1"});
        ASSERT_GT(target.pid(), 0);
        window.process_id = std::to_string(target.pid());
        monitor.start_or_stop();
        monitor.sampling_tick();
        ASSERT_EQ(state.memory_series.count(), 2) << c.shows;
        const std::string pane = window.record_pane.content;
        const std::string logged = log_text();

        if (c.reaped) {
            target.stop();
        } else {
            target.kill_without_reaping();
        }
        for (int tick = 0; tick < 3; ++tick) {
            monitor.sampling_tick();
        }
        EXPECT_EQ(state.memory_series.count(), 2) << c.shows;
        EXPECT_EQ(state.cpu_series.count(), 2) << c.shows;
        EXPECT_EQ(state.memory_min_kb, 0) << c.shows << ": the failed reading widens the extremes";
        EXPECT_EQ(window.record_pane.content, pane) << c.shows;
        EXPECT_EQ(log_text(), logged) << c.shows;
        EXPECT_TRUE(window.messages.empty()) << c.shows;
        EXPECT_EQ(window.caption, RUNNING_CAPTION) << c.shows;

        monitor.start_or_stop();
        std::filesystem::remove_all(logs.with_separator());
        std::filesystem::create_directory(logs.path());
    }
}

// Makes the kernel hand out `pid` to the next process of this pid namespace.
bool next_pid_will_be(int32_t pid) {
    std::ofstream last_pid("/proc/sys/kernel/ns_last_pid");
    last_pid << (pid - 1);
    last_pid.flush();
    return static_cast<bool>(last_pid);
}

TEST_F(RunOnRealTarget, AReusedIdIsMeasuredAsTheNewProcessFromAFreshBaseline) {
    if (::getuid() != 0) {
        GTEST_SKIP() << "forcing a process id to be reused needs root (ns_last_pid)";
    }
    ChildProcess first(support_program("spin_child"));
    ASSERT_GT(first.pid(), 0);
    const int32_t pid = first.pid();
    window.process_id = std::to_string(pid);
    monitor.start_or_stop();
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    monitor.sampling_tick();  // the baseline now holds the spinner's processor time
    ASSERT_EQ(state.memory_series.count(), 2);
    first.stop();
    monitor.sampling_tick();
    ASSERT_EQ(state.memory_series.count(), 2) << "nothing is recorded while no process has the id";

    // Another process may take the id between the write and the spawn: try again.
    constexpr int ATTEMPTS = 5;
    std::unique_ptr<ChildProcess> second;
    for (int attempt = 0; attempt < ATTEMPTS && !(second && second->pid() == pid); ++attempt) {
        second.reset();
        if (!next_pid_will_be(pid)) {
            GTEST_SKIP() << "/proc/sys/kernel/ns_last_pid cannot be written here";
        }
        second = std::make_unique<ChildProcess>(support_program("memory_child"), std::vector<std::string>{"1"});
    }
    if (second->pid() != pid) {
        GTEST_SKIP() << "id " << pid << " was taken by another process " << ATTEMPTS << " times";
    }

    monitor.sampling_tick();
    ASSERT_EQ(state.memory_series.count(), 3);
    // Measured against the spinner's baseline, the idle newcomer would read far below zero.
    EXPECT_EQ(state.cpu_series[2], CPU_BASELINE_TAKEN);
    EXPECT_TRUE(window.pane_lines().back().ends_with(" K CPU:-2 %")) << window.pane_lines().back();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    monitor.sampling_tick();
    ASSERT_EQ(state.memory_series.count(), 4);
    const double next = state.cpu_series[3];
    EXPECT_TRUE(next == CPU_BASELINE_TAKEN || (next >= 0.0 && next <= 100.0)) << next;
}

// ---- the log cannot be kept ----

// A run over canned readings (TARGET has 100 KB and 1.5 %) whose log folder a test chooses.
class CannedLogRun : public ::testing::Test {
protected:
    TempFolder scratch;
    RecordingWindow window;
    Monitor monitor{window,
                    Probes{[](int32_t id) -> uint64_t { return id == TARGET ? 100 * 1024 : 0; },
                           [](int32_t id) { return id == TARGET ? 1.5 : CPU_NO_READING; },
                           [](int32_t) { return std::string("target"); }},
                    [] { return START; }};
    std::string folder;  // the log folder, no trailing separator

    void SetUp() override {
        window.process_id = std::to_string(TARGET);
        use_folder(scratch.path() + "/logs");
    }
    void TearDown() override { monitor.window_destroyed(); }

    void use_folder(const std::string& path) {
        folder = path;
        std::filesystem::create_directories(folder);
        monitor.window_created(folder);
    }
    std::string log_path() const { return folder + "/" + START_STAMP + "-ID4242.txt"; }
    std::string log_text() const { return gbk_to_utf8(file_bytes(log_path())); }
    // A run of a start and `ticks` ticks, then a stop; returns the pane lines it added.
    std::vector<std::string> run(int ticks) {
        const std::size_t before = window.pane_lines().size();
        monitor.start_or_stop();
        for (int tick = 0; tick < ticks; ++tick) {
            monitor.sampling_tick();
        }
        const auto lines = window.pane_lines();
        monitor.start_or_stop();
        return std::vector<std::string>(lines.begin() + static_cast<long>(before), lines.end());
    }
};

// The initial record and every tick record of such a run read the same in the pane.
const std::string RECORD = "内存:100 K CPU:1.5 %";

// A file system mounted for one test, unmounted at its end.
class ScopedMount {
public:
    ScopedMount(const std::string& source, const std::string& target, const char* type,
                unsigned long flags, const char* options)
        : target_(target) {
        mounted_ = ::mount(source.c_str(), target.c_str(), type, flags, options) == 0;
        error_ = mounted_ ? "" : std::strerror(errno);
    }
    ~ScopedMount() {
        if (mounted_) {
            ::umount2(target_.c_str(), MNT_DETACH);
        }
    }
    ScopedMount(const ScopedMount&) = delete;
    ScopedMount& operator=(const ScopedMount&) = delete;
    bool mounted() const { return mounted_; }
    const std::string& error() const { return error_; }
    // Makes a bind mount read-only (a bind mount takes the flag only on a remount).
    bool make_read_only() {
        return ::mount("", target_.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) == 0;
    }

private:
    std::string target_;
    bool mounted_ = false;
    std::string error_;
};

TEST_F(CannedLogRun, AReadOnlyLogFolderIsToldOncePerRunAndThePaneKeepsTheRecords) {
    if (::getuid() != 0) {
        GTEST_SKIP() << "root writes through a mode of 0555; a read-only mount needs root";
    }
    struct Case {
        const char* shows;
        bool bind;
    };
    const Case cases[] = {{"a read-only tmpfs", false}, {"a read-only bind mount", true}};
    for (const Case& c : cases) {
        const std::string source = scratch.path() + "/source";
        std::filesystem::create_directories(source);
        use_folder(scratch.path() + (c.bind ? "/bound" : "/tmpfs"));
        ScopedMount mount(c.bind ? source : "tmpfs", folder, c.bind ? nullptr : "tmpfs",
                          c.bind ? MS_BIND : MS_RDONLY, c.bind ? nullptr : "size=64k");
        ASSERT_TRUE(mount.mounted()) << c.shows << ": " << mount.error();
        if (c.bind) {
            ASSERT_TRUE(mount.make_read_only()) << c.shows;
        }
        const std::string told = "日志文件无法打开：" + log_path() + "（" + std::strerror(EROFS) + "）";
        for (int run_number = 0; run_number < 2; ++run_number) {
            EXPECT_EQ(this->run(2), (std::vector<std::string>{RECORD, told, RECORD, RECORD}))
                << c.shows << ", run " << run_number;
        }
        EXPECT_TRUE(files_in(folder).empty()) << c.shows;
        EXPECT_TRUE(files_in(source).empty()) << c.shows;
    }
}

TEST_F(CannedLogRun, AFullDiskIsToldOnceAndLaterEntriesLandWhenThereIsRoomAgain) {
    if (::getuid() != 0) {
        GTEST_SKIP() << "a small tmpfs to fill up needs root";
    }
    use_folder(scratch.path() + "/small");
    ScopedMount mount("tmpfs", folder, "tmpfs", 0, "size=16k");
    ASSERT_TRUE(mount.mounted()) << mount.error();
    // Every block taken: the log file can be made (an inode) but not written.
    const std::string filler = folder + "/filler";
    {
        std::ofstream fill(filler, std::ios::binary);
        const std::string block(4096, 'x');
        for (int i = 0; i < 64 && fill; ++i) {
            fill << block << std::flush;
        }
    }

    monitor.start_or_stop();
    monitor.sampling_tick();
    monitor.sampling_tick();
    std::filesystem::remove(filler);
    monitor.sampling_tick();
    const auto lines = window.pane_lines();
    monitor.start_or_stop();

    const std::string told = "日志写入失败：" + log_path() + "（" + std::strerror(ENOSPC) + "）";
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 1, lines.end()),
              (std::vector<std::string>{RECORD, told, RECORD, RECORD, RECORD}));
    EXPECT_EQ(monitor.state().memory_series.count(), 0) << "the stop emptied the series";
    EXPECT_EQ(log_text(), START_STAMP + "\r\n" + RECORD + "\r\n") << "the entry written after the room came back";
}

TEST_F(CannedLogRun, ADeletedLogFileIsMadeAgainWithEveryEntryFromTheDeletionOn) {
    const std::string told = "日志文件已被删除，已重新创建：" + log_path();
    monitor.start_or_stop();
    monitor.sampling_tick();
    ASSERT_TRUE(std::filesystem::remove(log_path()));
    monitor.sampling_tick();  // goes into the deleted file first, then into the new one
    EXPECT_TRUE(std::filesystem::exists(log_path()));
    monitor.sampling_tick();
    EXPECT_EQ(log_text(), START_STAMP + "\r\n" + RECORD + "\r\n" + START_STAMP + "\r\n" + RECORD + "\r\n");

    ASSERT_TRUE(std::filesystem::remove(log_path()));
    monitor.sampling_tick();
    EXPECT_EQ(log_text(), START_STAMP + "\r\n" + RECORD + "\r\n") << "deleted again, made again";
    const auto lines = window.pane_lines();
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 1, lines.end()),
              (std::vector<std::string>{RECORD, RECORD, RECORD, told, RECORD, RECORD}))
        << "told once per run, after the record that met the deletion";
    monitor.start_or_stop();

    // Next run, with the folder gone too: the file cannot be made again, which
    // is told as a failed open.
    monitor.start_or_stop();
    std::filesystem::remove_all(folder);
    monitor.sampling_tick();
    monitor.sampling_tick();
    const auto next_run = window.pane_lines();
    EXPECT_EQ(std::vector<std::string>(next_run.end() - 3, next_run.end()),
              (std::vector<std::string>{RECORD, "日志文件无法打开：" + log_path() + "（" + std::strerror(ENOENT) + "）",
                                        RECORD}));
    EXPECT_EQ(window.caption, RUNNING_CAPTION);
}

// ---- hostile texts in the boxes ----

struct HostileText {
    const char* shows;
    std::string text;
};

const std::vector<HostileText>& hostile_texts() {
    static const std::vector<HostileText> texts = {
        {"100 KB of digits", std::string(100 * 1024, '7')},
        {"100 KB of letters", std::string(100 * 1024, 'x')},
        {"100 KB of Chinese", [] {
             std::string text;
             while (text.size() < 100 * 1024) text += "进程";
             return text;
         }()},
        {"control characters", "\x01\x02\t\r\n\x1b[31m\x7f"},
        {"invalid UTF-8", "\xff\xfe\xc3\x28\xe2\x82\x80\x80\x80"},
        {"invalid GBK", "\x81\x20\xfe\xff\x80"},
        {"full-width digits", "４２４２"},
        {"a climb out of the folder", "../../../x"},
        {"an absolute path", "/etc/passwd"},
        {"a NUL inside", std::string("1\0/..", 5)},
        {"dots only", ".."},
        {"empty", ""},
    };
    return texts;
}

// Every byte of a name a listing shows as it is: no separator, no control character.
bool usable_file_name(const std::string& name) {
    return name.size() <= platform::FILE_NAME_LIMIT &&
           std::none_of(name.begin(), name.end(), [](char c) {
               const auto byte = static_cast<unsigned char>(c);
               return c == '/' || byte < 0x20 || byte == 0x7F;
           });
}

TEST_F(CannedLogRun, HostileProcessIdTextsRunByTheNumberReadAndLogInsideTheFolder) {
    for (const HostileText& hostile : hostile_texts()) {
        // As typed, and behind the target's id so that a run starts and logs.
        for (const std::string& typed : {hostile.text, std::to_string(TARGET) + hostile.text}) {
            const int32_t id = text_to_int(typed);
            std::filesystem::remove_all(scratch.path());
            std::filesystem::create_directory(scratch.path());
            use_folder(scratch.path() + "/logs");
            window.process_id = typed;
            window.messages.clear();
            window.record_pane.content.clear();

            monitor.start_or_stop();
            if (id < 1) {
                EXPECT_EQ(window.messages, std::vector<std::string>{INVALID_ID_MESSAGE}) << hostile.shows;
                EXPECT_EQ(window.caption, START_CAPTION) << hostile.shows;
                continue;
            }
            monitor.sampling_tick();
            const int32_t kept = monitor.state().memory_series.count();
            monitor.start_or_stop();
            EXPECT_EQ(kept, id == TARGET ? 2 : 1) << hostile.shows << ": the run measures id " << id;
            EXPECT_TRUE(window.messages.empty()) << hostile.shows;

            EXPECT_EQ(files_in(scratch.path()), std::vector<std::string>{"logs"}) << hostile.shows;
            const auto files = files_in(folder);
            ASSERT_EQ(files.size(), 1u) << hostile.shows << " (" << typed.size() << " bytes)";
            EXPECT_TRUE(usable_file_name(files[0])) << hostile.shows << ": " << files[0];
            EXPECT_TRUE(files[0].starts_with(START_STAMP + "-ID")) << hostile.shows;
            EXPECT_TRUE(files[0].ends_with(".txt")) << hostile.shows;
            EXPECT_TRUE(contains(gbk_to_utf8(file_bytes(folder + "/" + files[0])), "初始记录"))
                << hostile.shows;
            EXPECT_FALSE(contains(window.record_pane.content, "日志")) << hostile.shows << ": no log failure";
        }
    }
}

TEST_F(CannedLogRun, HostileIntervalTextsSetThePeriodByTheNumberRead) {
    for (const HostileText& hostile : hostile_texts()) {
        window.interval = hostile.text;
        monitor.start_or_stop();
        EXPECT_EQ(window.caption, RUNNING_CAPTION) << hostile.shows;
        EXPECT_EQ(window.sampling_period, truncate_to_int32(text_to_number(hostile.text))) << hostile.shows;
        monitor.start_or_stop();
    }
    window.interval = "３００";
    monitor.start_or_stop();
    EXPECT_EQ(window.sampling_period, 300) << "full-width digits read as digits";
    monitor.start_or_stop();
}

TEST(LogFileNameLimit, TheProcessIdIsCutToFitOnACharacterBoundary) {
    const std::string head = START_STAMP + "-ID";
    const std::size_t room = platform::FILE_NAME_LIMIT - head.size() - std::string(".txt").size();
    std::string chinese;
    while (chinese.size() < 600) chinese += "进";  // three UTF-8 bytes each
    struct Case {
        const char* shows;
        std::string id_text;
        std::string id_in_name;
    };
    const Case cases[] = {
        {"fits: kept whole", std::string(room, '1'), std::string(room, '1')},
        {"one byte over: cut", std::string(room + 1, '1'), std::string(room, '1')},
        {"Chinese: whole characters only", chinese, chinese.substr(0, room / 3 * 3)},
        {"control characters and DEL become _", "1\t2\r\n3\x7f", "1_2__3_"},
        {"stray continuation bytes: at most three given back", std::string(300, '\x80'),
         std::string(room - 3, '\x80')},
    };
    for (const Case& c : cases) {
        const std::string path = log_file_path("/logs/", START, c.id_text);
        EXPECT_EQ(path, "/logs/" + head + c.id_in_name + ".txt") << c.shows;
        EXPECT_LE(path.size() - std::string("/logs/").size(), platform::FILE_NAME_LIMIT) << c.shows;
    }
}

// ---- no display ----

TEST(NoDisplay, TheProgramSaysSoOnStderrAndExitsWithAFailure) {
    const std::string program = std::string(TESSIVO_SUPPORT_DIR) + "/tessivo";
    ASSERT_TRUE(std::filesystem::exists(program)) << program;
    const std::vector<std::string> unset = {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"};
    struct Case {
        const char* shows;
        std::vector<std::string> added;
    };
    const Case cases[] = {
        {"neither DISPLAY nor WAYLAND_DISPLAY", {}},
        {"DISPLAY names a display that no server serves", {"DISPLAY=:4711"}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> environment = testing::environment_without(unset);
        environment.insert(environment.end(), c.added.begin(), c.added.end());
        const testing::ProgramResult result = testing::run_program({program}, environment);
        ASSERT_TRUE(result.exited()) << c.shows << ": ended by a signal, status " << result.status;
        EXPECT_NE(result.exit_code(), 0) << c.shows;
        EXPECT_TRUE(contains(result.err, "no X display")) << c.shows << ": " << result.err;
    }
}

}  // namespace
}  // namespace tessivo
