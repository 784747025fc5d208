#pragma once
// Starts a helper program as a real target process and waits for its "ready"
// line. The destructor kills and reaps it, so no target outlives its test.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <string>
#include <vector>

namespace tessivo::testing {

class ChildProcess {
public:
    // `program` is a path; `arguments` follow argv[0]. pid() is 0 when the
    // start failed or the child never said "ready".
    explicit ChildProcess(const std::string& program, const std::vector<std::string>& arguments = {}) {
        int pipe_ends[2];
        if (::pipe2(pipe_ends, O_CLOEXEC) != 0) {
            return;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, pipe_ends[1], STDOUT_FILENO);
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(program.c_str()));
        for (const std::string& argument : arguments) {
            argv.push_back(const_cast<char*>(argument.c_str()));
        }
        argv.push_back(nullptr);
        pid_t pid = 0;
        const int failed = ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        ::close(pipe_ends[1]);
        if (failed == 0) {
            process_id_ = pid;
            if (!read_ready(pipe_ends[0])) {
                stop();
            }
        }
        ::close(pipe_ends[0]);
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess() { stop(); }

    int32_t pid() const { return process_id_; }

    // Kills the child and leaves it a zombie: the id still names it.
    void kill_without_reaping() {
        if (process_id_ > 0) {
            ::kill(process_id_, SIGKILL);
            siginfo_t info{};
            ::waitid(P_PID, static_cast<id_t>(process_id_), &info, WEXITED | WNOWAIT);
        }
    }
    // Kills and reaps the child; its id then names no process. Returns the id it had.
    int32_t stop() {
        const int32_t pid = process_id_;
        if (process_id_ > 0) {
            ::kill(process_id_, SIGKILL);
            ::waitpid(process_id_, nullptr, 0);
            process_id_ = 0;
        }
        return pid;
    }

private:
    static bool read_ready(int fd) {
        std::string line;
        char c = 0;
        while (::read(fd, &c, 1) == 1) {
            if (c == '\n') {
                return line == "ready";
            }
            line += c;
        }
        return false;
    }

    int32_t process_id_ = 0;
};

// Where the helper programs are built.
inline std::string support_program(const std::string& name) {
    return std::string(TESSIVO_SUPPORT_DIR) + "/" + name;
}

}  // namespace tessivo::testing
