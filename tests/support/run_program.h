#pragma once
// Runs a program to its end with an environment of its own and collects what
// it wrote on stdout and stderr, for tests that check a whole program's
// behaviour from outside.
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace tessivo::testing {

struct ProgramResult {
    bool started = false;
    int status = 0;  // as waitpid reports it
    std::string out;
    std::string err;

    bool exited() const { return started && WIFEXITED(status); }
    int exit_code() const { return WEXITSTATUS(status); }
};

// `command` is argv, command[0] a path; `environment` is "NAME=value" lines.
inline ProgramResult run_program(const std::vector<std::string>& command,
                                 const std::vector<std::string>& environment) {
    ProgramResult result;
    int out_pipe[2];
    int err_pipe[2];
    if (::pipe2(out_pipe, O_CLOEXEC) != 0) {
        return result;
    }
    if (::pipe2(err_pipe, O_CLOEXEC) != 0) {
        ::close(out_pipe[0]);
        ::close(out_pipe[1]);
        return result;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out_pipe[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, err_pipe[1], STDERR_FILENO);
    auto pointers = [](const std::vector<std::string>& texts) {
        std::vector<char*> list;
        for (const std::string& text : texts) {
            list.push_back(const_cast<char*>(text.c_str()));
        }
        list.push_back(nullptr);
        return list;
    };
    std::vector<char*> argv = pointers(command);
    std::vector<char*> envp = pointers(environment);
    pid_t pid = 0;
    const int failed = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(out_pipe[1]);
    ::close(err_pipe[1]);
    // Both pipes are read as the data comes, so that neither fills up and stalls the program.
    pollfd ends[2] = {{out_pipe[0], POLLIN, 0}, {err_pipe[0], POLLIN, 0}};
    std::string* sinks[2] = {&result.out, &result.err};
    for (int open_ends = 2; failed == 0 && open_ends > 0;) {
        if (::poll(ends, 2, -1) < 0) {
            break;
        }
        for (int i = 0; i < 2; ++i) {
            if (ends[i].fd < 0 || ends[i].revents == 0) {
                continue;
            }
            char buffer[4096];
            const ssize_t got = ::read(ends[i].fd, buffer, sizeof buffer);
            if (got > 0) {
                sinks[i]->append(buffer, static_cast<size_t>(got));
            } else {
                ends[i].fd = -1;
                --open_ends;
            }
        }
    }
    ::close(out_pipe[0]);
    ::close(err_pipe[0]);
    if (failed == 0) {
        result.started = ::waitpid(pid, &result.status, 0) == pid;
    }
    return result;
}

// The environment of this process without the variables named.
inline std::vector<std::string> environment_without(const std::vector<std::string>& names) {
    std::vector<std::string> kept;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string line = *entry;
        bool dropped = false;
        for (const std::string& name : names) {
            dropped = dropped || line.compare(0, name.size() + 1, name + "=") == 0;
        }
        if (!dropped) {
            kept.push_back(line);
        }
    }
    return kept;
}

}  // namespace tessivo::testing
