#include "probes/memory_probe.h"

#include <gtest/gtest.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <vector>

#include "tests/support/child_process.h"

namespace tessivo {
namespace {

using testing::ChildProcess;
using testing::support_program;

constexpr uint64_t MIB = 1024 * 1024;

TEST(CountPrivateBytes, CountsEntriesWhoseSharedBitIsClear) {
    const std::vector<uint32_t> mixed = {0, 0x100, 0x5007, 0x5107};
    struct Case {
        const char* shows;
        std::vector<uint32_t> entries;
        int32_t entry_count;
        int32_t page_size;
        int64_t bytes;
    };
    const Case cases[] = {
        {"first and third have bit 8 clear", mixed, 4, 4096, 8192},
        {"no entries", mixed, 0, 4096, 0},
        {"only the first entry_count entries", mixed, 2, 4096, 4096},
        {"entry_count beyond the list stops at its end", mixed, 9, 4096, 8192},
        {"other bits do not make a page shared", {0xFFFFFEFFu}, 1, 4096, 4096},
        {"three pages, one shared", {0x1000, 0x2100, 0x3000}, 3, 4096, 8192},
        {"past 2 GiB", std::vector<uint32_t>(600000, 0), 600000, 4096, 2457600000},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(count_private_bytes(c.entries, c.entry_count, c.page_size), c.bytes) << c.shows;
    }
}

TEST(PrivateWorkingSetBytes, TouchedMemoryIsCounted) {
    constexpr uint64_t TOUCHED_MIB = 64;
    ChildProcess small(support_program("memory_child"), {"0"});
    ChildProcess grown(support_program("memory_child"), {std::to_string(TOUCHED_MIB)});
    ASSERT_GT(small.pid(), 0);
    ASSERT_GT(grown.pid(), 0);
    const uint64_t before = private_working_set_bytes(small.pid());
    const uint64_t after = private_working_set_bytes(grown.pid());
    EXPECT_GT(before, 0u);
    EXPECT_EQ(before % 1024, 0u) << "the kernel counts in kB";
    EXPECT_GE(after, before + (TOUCHED_MIB - 2) * MIB);
    EXPECT_LE(after, before + (TOUCHED_MIB + 8) * MIB);
}

TEST(PrivateWorkingSetBytes, MemorySharedWithAnotherProcessIsNotCounted) {
    constexpr size_t SHARED_SIZE = 64 * MIB;
    void* region =
        ::mmap(nullptr, SHARED_SIZE, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(region, MAP_FAILED);
    std::memset(region, 1, SHARED_SIZE);
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        // The child writes every page too, then waits to be measured.
        std::memset(region, 2, SHARED_SIZE);
        const char done = 1;
        (void)!::write(ready[1], &done, 1);
        for (;;) {
            ::pause();
        }
    }
    ASSERT_GT(child, 0);
    char done = 0;
    ASSERT_EQ(::read(ready[0], &done, 1), 1);
    const uint64_t child_bytes = private_working_set_bytes(child);
    const uint64_t own_bytes = private_working_set_bytes(static_cast<int32_t>(::getpid()));
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    ::close(ready[0]);
    ::close(ready[1]);
    ::munmap(region, SHARED_SIZE);

    EXPECT_GT(child_bytes, 0u);
    EXPECT_LT(child_bytes, SHARED_SIZE / 4) << "the child's share of the region";
    EXPECT_GT(own_bytes, 0u);
}

TEST(PrivateWorkingSetBytes, NoReadingIsZero) {
    ChildProcess ended(support_program("memory_child"), {"16"});
    ChildProcess zombie(support_program("memory_child"), {"16"});
    ASSERT_GT(ended.pid(), 0);
    ASSERT_GT(zombie.pid(), 0);
    zombie.kill_without_reaping();
    struct Case {
        const char* shows;
        int32_t process_id;
    };
    const Case cases[] = {
        {"exited but not yet reaped: its memory is gone", zombie.pid()},
        {"a child that exited and was reaped", ended.stop()},
        {"an id above any the kernel hands out", INT32_MAX},
        {"id 0", 0},
        {"a negative id", -5},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(private_working_set_bytes(c.process_id), 0u) << c.shows;
    }
}

}  // namespace
}  // namespace tessivo
