// Process services on Linux, from the process file system and the clocks.
// Every file is opened with O_CLOEXEC and closed before the function returns;
// texts are read into stack buffers.
#include <dirent.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/vfs.h>
#include <fcntl.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>

#include "probes/platform.h"
#include "probes/proc_parse.h"

namespace tessivo::platform {

namespace {

constexpr int64_t NANOSECONDS_PER_COUNT = 100;
constexpr int64_t COUNTS_PER_SECOND = 10'000'000;
constexpr uint64_t BYTES_PER_KB = 1024;

// "/proc/" + a 32-bit id + "/" + the longest entry name used here.
constexpr size_t PROC_PATH_SIZE = 64;

// Room for the whole of smaps_rollup (about 1 KB on kernel 6.x), of a stat
// line (under 400 bytes) and of the part of cmdline that names argv[0].
constexpr size_t TEXT_BUFFER_SIZE = 4096;

// A link target of /proc/PID/exe: a path of at most PATH_MAX (4096) bytes.
constexpr size_t PATH_MAX_SIZE = 4096;

struct ProcPath {
    char text[PROC_PATH_SIZE];
};

ProcPath proc_path(int32_t process_id, const char* entry) {
    ProcPath path;
    std::snprintf(path.text, sizeof path.text, "/proc/%d/%s", static_cast<int>(process_id), entry);
    return path;
}

// One read() of a /proc file into `buffer`. Files built by a single seq_file
// show (stat, smaps_rollup) come back whole from the first read when the
// buffer can hold them. Returns the bytes read, 0 on any failure.
size_t read_proc_text(int32_t process_id, const char* entry, char* buffer, size_t size) {
    if (process_id <= 0) {
        return 0;
    }
    const int fd = ::open(proc_path(process_id, entry).text, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return 0;
    }
    const ssize_t got = ::read(fd, buffer, size);
    ::close(fd);
    return got > 0 ? static_cast<size_t>(got) : 0;
}

int64_t timespec_to_count(const timespec& time) {
    return static_cast<int64_t>(time.tv_sec) * COUNTS_PER_SECOND +
           static_cast<int64_t>(time.tv_nsec) / NANOSECONDS_PER_COUNT;
}

// The kernel hands out the CPU-time clock of a process only for a live or
// zombie thread-group leader, so this also tells a process id from the id of
// a thread, which /proc resolves but never lists.
bool cpu_clock_of(int32_t process_id, clockid_t& clock) {
    return process_id > 0 && ::clock_getcpuclockid(process_id, &clock) == 0;
}

// Another user's process (its exe link is refused) or a kernel thread or a
// zombie (no link): the name from comm and cmdline. cmdline is read only when
// comm may have been cut short.
std::string fallback_name(int32_t process_id) {
    char stat[TEXT_BUFFER_SIZE];
    const size_t stat_size = read_proc_text(process_id, "stat", stat, sizeof stat);
    const std::string_view comm = stat_process_name({stat, stat_size});
    if (comm.size() < COMM_LIMIT) {
        return std::string(comm);
    }
    char cmdline[TEXT_BUFFER_SIZE];
    const size_t cmdline_size = read_proc_text(process_id, "cmdline", cmdline, sizeof cmdline);
    return std::string(fallback_process_name(comm, {cmdline, cmdline_size}));
}

}  // namespace

int32_t processor_count() {
    // sysconf reads /sys/devices/system/cpu/online, some 6 us a call, many
    // times the CPU clock read it sits beside; processors come and go rarely,
    // so the count is read again once it is a second old.
    static constexpr int64_t REFRESH_COUNTS = COUNTS_PER_SECOND;
    thread_local int32_t count = 0;
    thread_local int64_t read_at = 0;
    const int64_t now = system_time_count();
    if (count <= 0 || now - read_at >= REFRESH_COUNTS) {
        const long online = ::sysconf(_SC_NPROCESSORS_ONLN);
        count = online > 0 ? static_cast<int32_t>(online) : 0;
        read_at = now;
    }
    return count;
}

int64_t system_time_count() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return timespec_to_count(now);
}

bool read_process_times(int32_t process_id, ProcessTimes& times) {
    clockid_t clock{};
    timespec used{};
    if (!cpu_clock_of(process_id, clock) || ::clock_gettime(clock, &used) != 0) {
        return false;
    }
    // The clock gives kernel plus user time as one sum.
    times.kernel = 0;
    times.user = timespec_to_count(used);
    return true;
}

uint64_t process_start_time(int32_t process_id) {
    char line[TEXT_BUFFER_SIZE];
    const size_t size = read_proc_text(process_id, "stat", line, sizeof line);
    return stat_start_time({line, size});
}

namespace {

// The file system of pidfds since kernel 6.9; it gives every process its own
// 64-bit inode number, never handed out again.
constexpr decltype(statfs::f_type) PIDFS_MAGIC = 0x50494446;

int open_pidfd(int32_t process_id) {
    return process_id > 0 ? static_cast<int>(::syscall(SYS_pidfd_open, process_id, 0)) : -1;
}

bool pidfd_inodes_are_unique() {
    static const bool unique = [] {
        const int fd = open_pidfd(static_cast<int32_t>(::getpid()));
        if (fd < 0) {
            return false;
        }
        struct statfs about{};
        const bool on_pidfs = ::fstatfs(fd, &about) == 0 && about.f_type == PIDFS_MAGIC;
        ::close(fd);
        return on_pidfs;
    }();
    return unique;
}

}  // namespace

uint64_t process_identity(int32_t process_id) {
    // A pidfd costs three system calls; the stat line costs the kernel
    // formatting some fifty fields, about four times as long.
    if (!pidfd_inodes_are_unique()) {
        return process_start_time(process_id);
    }
    const int fd = open_pidfd(process_id);  // pidfds are close-on-exec by design
    if (fd < 0) {
        return 0;
    }
    struct stat about{};
    const bool known = ::fstat(fd, &about) == 0;
    ::close(fd);
    return known ? static_cast<uint64_t>(about.st_ino) : 0;
}

uint64_t private_resident_bytes(int32_t process_id) {
    char text[TEXT_BUFFER_SIZE];
    const size_t size = read_proc_text(process_id, "smaps_rollup", text, sizeof text);
    return smaps_private_kb({text, size}) * BYTES_PER_KB;
}

std::string process_name(int32_t process_id) {
    clockid_t clock{};
    if (!cpu_clock_of(process_id, clock)) {
        return {};
    }
    char target[PATH_MAX_SIZE];
    const ssize_t size = ::readlink(proc_path(process_id, "exe").text, target, sizeof target);
    if (size > 0) {
        return std::string(path_file_name({target, static_cast<size_t>(size)}));
    }
    return fallback_name(process_id);
}

std::vector<ProcessEntry> list_processes() {
    std::vector<ProcessEntry> entries;
    DIR* proc = ::opendir("/proc");  // glibc opens it with O_CLOEXEC
    if (proc == nullptr) {
        return entries;
    }
    while (const dirent* entry = ::readdir(proc)) {
        uint32_t process_id = 0;
        const char* digit = entry->d_name;
        for (; *digit >= '0' && *digit <= '9' && process_id <= INT32_MAX / 10; ++digit) {
            process_id = process_id * 10 + static_cast<uint32_t>(*digit - '0');
        }
        if (*digit != '\0' || process_id == 0) {
            continue;
        }
        // A process that ended since the directory was read has no name: leave it out.
        std::string name = process_name(static_cast<int32_t>(process_id));
        if (!name.empty()) {
            entries.push_back({process_id, std::move(name)});
        }
    }
    ::closedir(proc);
    return entries;
}

}  // namespace tessivo::platform
