// Record texts, the pane's 5000-byte rule, the log file on real files and the
// choice of the log folder.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

#include "probes/platform.h"
#include "recording_window.h"
#include "text/gbk.h"
#include "ui/record_log.h"

namespace tessivo {
namespace {

using testing::RecordingPane;
using testing::TempFolder;
using testing::file_bytes;

const DateTime START{2018, 8, 21, 15, 31, 46};

void write_file(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

TEST(RecordTexts, TickGroupsTheMemoryAndTheInitialRecordDoesNot) {
    EXPECT_EQ(tick_record(1234567, 0.5), "内存:1,234,567 K CPU:0.5 %");
    EXPECT_EQ(tick_record(999, 12.34), "内存:999 K CPU:12.34 %");
    EXPECT_EQ(initial_record_for_pane(12345, -2), "内存:12345 K CPU:-2 %");
    EXPECT_EQ(initial_record_for_log(12345, -2),
              "初始记录\r\n内存:12345 K CPU:-2 %\r\n------------------\r\n");
}

TEST(RecordPaneRule, AppendsUpTo5000GbkBytesThenStartsOver) {
    std::string chinese_5000;
    for (int i = 0; i < 2500; ++i) {
        chinese_5000 += "内";
    }
    struct Case {
        const char* shows;
        std::string before;
        std::string after;
    };
    const Case cases[] = {
        {"an empty pane gets CR LF in front", "", "\r\nR"},
        {"5000 bytes: appended after CR LF", std::string(5000, 'a'), std::string(5000, 'a') + "\r\nR"},
        {"5001 bytes: the pane holds the record alone", std::string(5001, 'a'), "R"},
        {"a Chinese character counts two bytes (5000)", chinese_5000, chinese_5000 + "\r\nR"},
        {"a Chinese character counts two bytes (5001)", chinese_5000 + "a", "R"},
        {"CR and LF count one byte each", std::string(4998, 'a') + "\r\n",
         std::string(4998, 'a') + "\r\n\r\nR"},
    };
    for (const Case& c : cases) {
        RecordingPane pane;
        pane.content = c.before;
        add_record_to_pane(pane, "R");
        EXPECT_EQ(pane.content, c.after) << c.shows;
    }
}

TEST(LogFileName, TimeStampAndTheProcessIdAsTyped) {
    struct Case {
        const char* shows;
        DateTime start;
        std::string process_id_text;
        std::string name;
    };
    const Case cases[] = {
        {"full time stamp", START, "1234", "2018年8月21日15时31分46秒-ID1234.txt"},
        {"leading zeros kept as typed", START, "00123", "2018年8月21日15时31分46秒-ID00123.txt"},
        {"on the full hour only the hour", {2018, 8, 21, 15, 0, 0}, "1234", "2018年8月21日15时-ID1234.txt"},
        {"a slash becomes an underscore", START, "12/3", "2018年8月21日15时31分46秒-ID12_3.txt"},
        {"a NUL becomes an underscore", START, std::string("12\0003", 4),
         "2018年8月21日15时31分46秒-ID12_3.txt"},
        {"other characters stay", START, "a b\\c:*", "2018年8月21日15时31分46秒-IDa b\\c:*.txt"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(log_file_path("/logs/", c.start, c.process_id_text), "/logs/" + c.name) << c.shows;
    }
}

class LogFileTest : public ::testing::Test {
protected:
    TempFolder folder;
    MonitorState state;
    DateTime now = START;
    Clock clock = [this] { return now; };

    void SetUp() override { state.log_folder = folder.with_separator(); }
    void TearDown() override { close_log(state); }
    std::string path_for(const std::string& id) const {
        return log_file_path(state.log_folder, START, id);
    }
};

TEST_F(LogFileTest, EntriesAreGbkWithCrLfAppendedToWhatIsThere) {
    write_file(path_for("7"), "old\r\n");

    const LogWriteResult first =
        write_record_to_log(state, initial_record_for_log(12345, -2), "7", clock);
    EXPECT_TRUE(first.opened_now);
    EXPECT_FALSE(first.open_failed || first.write_failed);
    EXPECT_EQ(first.path, path_for("7"));
    EXPECT_GE(state.log_file, 1);

    now.second = 47;
    const LogWriteResult second = write_record_to_log(state, tick_record(12346, 0.52), "8", clock);
    EXPECT_FALSE(second.opened_now) << "the open file is kept; the id text no longer matters";

    const std::string expected_utf8 =
        "old\r\n"
        "2018年8月21日15时31分46秒\r\n初始记录\r\n内存:12345 K CPU:-2 %\r\n------------------\r\n\r\n"
        "2018年8月21日15时31分47秒\r\n内存:12,346 K CPU:0.52 %\r\n";
    // Nothing is buffered: the bytes are in the file before it is closed.
    EXPECT_EQ(file_bytes(path_for("7")), utf8_to_gbk(expected_utf8));

    const int32_t handle = state.log_file;
    close_log(state);
    EXPECT_EQ(state.log_file, handle) << "close_log leaves the handle for the caller to reset";
    state.log_file = NO_LOG_FILE;
}

TEST_F(LogFileTest, AFailedOpenLeavesNoFileAndSaysWhy) {
    const std::string in_the_way = folder.path() + "/plain-file";
    write_file(in_the_way, "x");
    state.log_folder = in_the_way + "/";

    const LogWriteResult result = write_record_to_log(state, "内存:1 K CPU:0 %", "7", clock);
    EXPECT_TRUE(result.open_failed);
    EXPECT_FALSE(result.opened_now);
    EXPECT_EQ(result.path, in_the_way + "/2018年8月21日15时31分46秒-ID7.txt");
    EXPECT_EQ(result.error, std::strerror(ENOTDIR));
    EXPECT_EQ(state.log_file, NO_LOG_FILE);
    close_log(state);  // nothing to close
}

TEST(LogFolderChoice, BesideTheExecutableWhenItCanBeWritten) {
    TempFolder executable;
    TempFolder data;
    const std::string chosen = choose_log_folder(executable.path(), data.path());
    EXPECT_EQ(chosen, executable.path() + "/内存CPU监控记录/");
    EXPECT_TRUE(std::filesystem::is_directory(chosen));
    EXPECT_TRUE(std::filesystem::is_empty(data.path()));
    EXPECT_EQ(choose_log_folder(executable.path(), data.path()), chosen) << "an existing folder is fine";
}

TEST(LogFolderChoice, FallsBackToTheDataFolderMakingEachLevel) {
    TempFolder scratch;
    const std::string not_a_folder = scratch.path() + "/installed-program";
    write_file(not_a_folder, "x");
    const std::string data = scratch.path() + "/home/.local/share";  // none of it exists yet

    const std::string chosen = choose_log_folder(not_a_folder, data);
    EXPECT_EQ(chosen, data + "/tessivo/内存CPU监控记录/");
    EXPECT_TRUE(std::filesystem::is_directory(chosen));

    const std::string both_unusable = choose_log_folder(not_a_folder, not_a_folder + "/data");
    EXPECT_EQ(both_unusable, not_a_folder + "/内存CPU监控记录/")
        << "with nowhere to write, the usual place is kept and the open reports it";
}

// Sets an environment variable for one scope and puts the old value back.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) {
            old_ = old;
        }
        if (value != nullptr) {
            setenv(name, value, 1);
        } else {
            unsetenv(name);
        }
    }
    ~ScopedEnvironment() {
        if (old_) {
            setenv(name_, old_->c_str(), 1);
        } else {
            unsetenv(name_);
        }
    }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(UserDataFolder, FollowsTheXdgBaseDirectoryRule) {
    struct Case {
        const char* shows;
        const char* xdg_data_home;
        std::string folder;
    };
    const Case cases[] = {
        {"an absolute XDG_DATA_HOME", "/srv/data", "/srv/data"},
        {"a trailing slash is dropped", "/srv/data/", "/srv/data"},
        {"a relative XDG_DATA_HOME is ignored", "relative/data", "/home/someone/.local/share"},
        {"an empty XDG_DATA_HOME is ignored", "", "/home/someone/.local/share"},
        {"unset: under HOME", nullptr, "/home/someone/.local/share"},
    };
    const ScopedEnvironment home("HOME", "/home/someone");
    for (const Case& c : cases) {
        const ScopedEnvironment data_home("XDG_DATA_HOME", c.xdg_data_home);
        EXPECT_EQ(platform::user_data_folder(), c.folder) << c.shows;
    }
}

TEST(ExecutableFolder, IsTheFolderOfTheRunningProgram) {
    const std::string folder = platform::executable_folder();
    EXPECT_EQ(std::filesystem::canonical(folder), std::filesystem::canonical(TESSIVO_SUPPORT_DIR));
    EXPECT_NE(folder.back(), '/');
}

}  // namespace
}  // namespace tessivo
