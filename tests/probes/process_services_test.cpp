// The process part of the platform layer against the real system.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "probes/platform.h"
#include "tests/support/child_process.h"

namespace tessivo {
namespace {

using testing::ChildProcess;
using testing::support_program;

int32_t own_pid() { return static_cast<int32_t>(::getpid()); }

bool lists(const std::vector<ProcessEntry>& entries, uint32_t process_id) {
    return std::any_of(entries.begin(), entries.end(),
                       [&](const ProcessEntry& entry) { return entry.process_id == process_id; });
}

TEST(ProcessServices, OwnProcessResolves) {
    EXPECT_EQ(platform::processor_count(), static_cast<int32_t>(::sysconf(_SC_NPROCESSORS_ONLN)));
    EXPECT_EQ(platform::process_name(own_pid()), program_invocation_short_name);
    EXPECT_GT(platform::private_resident_bytes(own_pid()), 0u);
    const uint64_t start = platform::process_start_time(own_pid());
    EXPECT_GT(start, 0u);
    EXPECT_EQ(platform::process_start_time(own_pid()), start) << "fixed for the process's life";
    const uint64_t identity = platform::process_identity(own_pid());
    EXPECT_GT(identity, 0u);
    EXPECT_EQ(platform::process_identity(own_pid()), identity) << "fixed for the process's life";
    platform::ProcessTimes times;
    ASSERT_TRUE(platform::read_process_times(own_pid(), times));
    EXPECT_EQ(times.kernel, 0) << "the CPU-time clock gives the sum as user time";
    EXPECT_GT(times.user, 0);
}

TEST(ProcessServices, ClocksMoveForward) {
    ChildProcess spinner(support_program("spin_child"));
    ASSERT_GT(spinner.pid(), 0);
    platform::ProcessTimes first, second;
    const int64_t system_first = platform::system_time_count();
    ASSERT_TRUE(platform::read_process_times(spinner.pid(), first));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    ASSERT_TRUE(platform::read_process_times(spinner.pid(), second));
    const int64_t system_second = platform::system_time_count();
    EXPECT_GT(second.user, first.user) << "a spinning process uses processor time";
    EXPECT_GT(system_second, system_first);
}

TEST(ProcessServices, IdentityTellsProcessesApart) {
    ChildProcess first(support_program("memory_child"), {"0"});
    ChildProcess second(support_program("memory_child"), {"0"});
    ASSERT_GT(first.pid(), 0);
    ASSERT_GT(second.pid(), 0);
    EXPECT_NE(platform::process_identity(first.pid()), platform::process_identity(second.pid()));
    EXPECT_NE(platform::process_identity(first.pid()), platform::process_identity(own_pid()));
}

TEST(ProcessServices, ListHoldsOurselvesAndTheFirstProcess) {
    const std::vector<ProcessEntry> entries = platform::list_processes();
    EXPECT_TRUE(lists(entries, 1));
    EXPECT_TRUE(lists(entries, static_cast<uint32_t>(own_pid())));
    for (const ProcessEntry& entry : entries) {
        EXPECT_FALSE(entry.executable_name.empty()) << entry.process_id;
    }
}

TEST(ProcessServices, ReapedChildGivesTheFailureValues) {
    ChildProcess child(support_program("memory_child"), {"0"});
    ASSERT_GT(child.pid(), 0);
    const int32_t reaped = child.stop();
    platform::ProcessTimes times;
    EXPECT_FALSE(platform::read_process_times(reaped, times));
    EXPECT_EQ(platform::process_start_time(reaped), 0u);
    EXPECT_EQ(platform::process_identity(reaped), 0u);
    EXPECT_EQ(platform::private_resident_bytes(reaped), 0u);
    EXPECT_EQ(platform::process_name(reaped), "");
    EXPECT_FALSE(lists(platform::list_processes(), static_cast<uint32_t>(reaped)));
}

// Another user may not read a process's executable link or its memory map,
// but may read its processor time and its stat line.
TEST(ProcessServices, AnotherUsersProcessStillHasNameAndTimes) {
    if (::getuid() != 0) {
        GTEST_SKIP() << "dropping to another user needs root";
    }
    int results[2];
    ASSERT_EQ(::pipe(results), 0);
    const int32_t parent = own_pid();
    const pid_t child = ::fork();
    if (child == 0) {
        constexpr uid_t NOBODY = 65534;
        if (::setgid(NOBODY) != 0 || ::setuid(NOBODY) != 0) {
            ::_exit(1);
        }
        platform::ProcessTimes times;
        const std::string report = platform::process_name(parent) + "|" +
                                   std::to_string(platform::private_resident_bytes(parent)) + "|" +
                                   std::to_string(platform::read_process_times(parent, times)) +
                                   "|" + std::to_string(platform::process_identity(parent) > 0);
        (void)!::write(results[1], report.data(), report.size());
        ::_exit(0);
    }
    ASSERT_GT(child, 0);
    ::close(results[1]);
    std::string report;
    char buffer[256];
    for (ssize_t got; (got = ::read(results[0], buffer, sizeof buffer)) > 0;) {
        report.append(buffer, static_cast<size_t>(got));
    }
    ::close(results[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(report, std::string(program_invocation_short_name) + "|0|1|1");
}

}  // namespace
}  // namespace tessivo
