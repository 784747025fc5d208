#pragma once
// Starts tests/support/x11_target as a real X client and reads the ids of its
// windows from its first line. The destructor kills and reaps it.
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace tessivo::testing {

class X11Target {
public:
    // `arguments` follow the program name (see x11_target.cpp). On failure
    // pid() is 0 and the window ids are 0.
    explicit X11Target(const std::vector<std::string>& arguments = {}) {
        const std::string program = std::string(TESSIVO_SUPPORT_DIR) + "/x11_target";
        int pipe_ends[2];
        if (::pipe(pipe_ends) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, pipe_ends[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, pipe_ends[0]);
        std::vector<char*> argv{const_cast<char*>(program.c_str())};
        for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        pid_t pid = 0;
        const int failed = ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        ::close(pipe_ends[1]);
        if (failed == 0) pid_ = pid;
        FILE* output = ::fdopen(pipe_ends[0], "r");
        unsigned long main = 0, child = 0, dialog = 0;
        if (output != nullptr && std::fscanf(output, "%lu %lu %lu", &main, &child, &dialog) == 3) {
            main_window = main;
            child_window = child;
            dialog_window = dialog;
        }
        if (output != nullptr) std::fclose(output); else ::close(pipe_ends[0]);
    }
    X11Target(const X11Target&) = delete;
    X11Target& operator=(const X11Target&) = delete;
    ~X11Target() { stop(); }

    uint32_t pid() const { return static_cast<uint32_t>(pid_); }
    bool started() const { return pid_ > 0 && main_window != 0; }

    // Kills and reaps the client; the server destroys its windows soon after.
    void stop() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
            pid_ = 0;
        }
    }

    uint64_t main_window = 0;
    uint64_t child_window = 0;
    uint64_t dialog_window = 0;

private:
    pid_t pid_ = 0;
};

}  // namespace tessivo::testing
