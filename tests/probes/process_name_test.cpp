#include "probes/process_name.h"

#include <errno.h>
#include <gtest/gtest.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "probes/platform.h"
#include "tests/support/child_process.h"

namespace tessivo {
namespace {

using testing::ChildProcess;
using testing::support_program;

TEST(FindProcessName, FirstEntryWithTheIdWins) {
    const std::vector<ProcessEntry> snapshot = {
        {4, "System"}, {88, "smss.exe"}, {1234, "explorer.exe"}, {88, "later.exe"},
        {4294967295u, "all-ones"}};
    struct Case {
        const char* shows;
        std::vector<ProcessEntry> entries;
        int32_t process_id;
        std::string name;
    };
    const Case cases[] = {
        {"the second entry", snapshot, 88, "smss.exe"},
        {"an id no entry has", snapshot, 5, ""},
        {"the same id twice: the first wins", snapshot, 88, "smss.exe"},
        {"a negative id is compared as the same 32 bits", snapshot, -1, "all-ones"},
        {"an empty snapshot", {}, 4, ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(find_process_name(c.entries, c.process_id), c.name) << c.shows;
    }
}

// Real processes started from copies of a target program, so that the names
// can hold spaces, brackets and more than the kernel's 15-byte short name.
class ExecutableNameOfProcess : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/tessivo-names-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        folder_ = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }

    std::string copy_of_target(const std::string& name) {
        const std::string path = folder_ + "/" + name;
        std::filesystem::copy_file(support_program("memory_child"), path);
        return path;
    }

    std::string folder_;
};

TEST_F(ExecutableNameOfProcess, NamesEveryLiveProcessLikeTheSnapshot) {
    const std::string long_name = "target with a long name (x) y";
    const std::string removed_name = "removed target";
    ChildProcess plain(support_program("memory_child"), {"0"});
    ChildProcess long_named(copy_of_target(long_name), {"0"});
    ChildProcess removed(copy_of_target(removed_name), {"0"});
    ChildProcess zombie(copy_of_target("zombie with a long name"), {"0"});
    ASSERT_GT(plain.pid(), 0);
    ASSERT_GT(long_named.pid(), 0);
    ASSERT_GT(removed.pid(), 0);
    ASSERT_GT(zombie.pid(), 0);
    std::filesystem::remove(folder_ + "/" + removed_name);
    // A zombie has no executable link left: the kernel's short name stands in.
    zombie.kill_without_reaping();

    struct Case {
        const char* shows;
        int32_t process_id;
        std::string name;
    };
    const Case cases[] = {
        {"this test program", static_cast<int32_t>(::getpid()), program_invocation_short_name},
        {"a child", plain.pid(), "memory_child"},
        {"spaces, brackets, past 15 bytes", long_named.pid(), long_name},
        {"executable removed while running", removed.pid(), removed_name},
        {"exited, not yet reaped: short name", zombie.pid(), "zombie with a l"},
    };
    const std::vector<ProcessEntry> snapshot = platform::list_processes();
    for (const Case& c : cases) {
        EXPECT_EQ(executable_name_of_process(c.process_id), c.name) << c.shows;
        EXPECT_EQ(find_process_name(snapshot, c.process_id), c.name) << c.shows << " (snapshot)";
    }
}

TEST_F(ExecutableNameOfProcess, NoProcessHasNoName) {
    ChildProcess ended(support_program("memory_child"), {"0"});
    ASSERT_GT(ended.pid(), 0);
    // A thread id resolves under /proc but names no process.
    std::atomic<int32_t> thread_id = 0;
    std::atomic<bool> finish = false;
    std::thread worker([&] {
        thread_id = static_cast<int32_t>(::syscall(SYS_gettid));
        while (!finish) {
            std::this_thread::yield();
        }
    });
    while (thread_id == 0) {
        std::this_thread::yield();
    }
    struct Case {
        const char* shows;
        int32_t process_id;
    };
    const Case cases[] = {
        {"a child that exited and was reaped", ended.stop()},
        {"a thread of this program", thread_id},
        {"an id above any the kernel hands out", INT32_MAX},
        {"id 0", 0},
        {"a negative id", -5},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(executable_name_of_process(c.process_id), "") << c.shows;
    }
    finish = true;
    worker.join();
}

}  // namespace
}  // namespace tessivo
