// A private X server (Xvfb) for tests that need a real display.
#pragma once

#include <csignal>
#include <string>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace testing_support {

// A private Xvfb; ready once it has written its display number.
class VirtualDisplay {
public:
    VirtualDisplay()
    {
        int ends[2];
        if (pipe2(ends, O_CLOEXEC) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, ends[1], 3);
        // No standard stream of ours: should the test die, the server must not
        // hold the test runner's output open.
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        // -terminate: the server ends with its last client, even if the test dies.
        const char* argv[] = {"Xvfb", "-displayfd", "3", "-nolisten", "tcp", "-terminate",
                              "-screen", "0", "320x240x24", nullptr};
        int error = posix_spawnp(&pid_, "Xvfb", &actions, nullptr, const_cast<char**>(argv), environ);
        posix_spawn_file_actions_destroy(&actions);
        close(ends[1]);
        if (error != 0) {
            pid_ = -1;
            close(ends[0]);
            return;
        }
        std::string number;
        for (;;) {
            pollfd entry{ends[0], POLLIN, 0};
            if (poll(&entry, 1, 30000) != 1) break;
            char c;
            if (read(ends[0], &c, 1) != 1 || c == '\n') break;
            number += c;
        }
        close(ends[0]);
        if (!number.empty()) name_ = ":" + number;
    }
    ~VirtualDisplay()
    {
        if (pid_ <= 0) return;
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }
    VirtualDisplay(const VirtualDisplay&) = delete;
    VirtualDisplay& operator=(const VirtualDisplay&) = delete;

    const std::string& name() const { return name_; }

private:
    pid_t pid_ = -1;
    std::string name_;
};

}  // namespace testing_support
