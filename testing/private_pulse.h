// A PulseAudio server of the test's own, with a null sink, that the test can kill
// and start again at the same address (tests only). While alive it is the server
// of the process: PULSE_SERVER points at it.
#pragma once

#include "env_var.h"
#include "scratch_dir.h"

#include <signal.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

extern char** environ;

namespace testing_support {

class PrivatePulseServer {
public:
    PrivatePulseServer() : address_("PULSE_SERVER", "unix:" + (folder_ / "native").string()) {}
    ~PrivatePulseServer() { Kill(); }
    PrivatePulseServer(const PrivatePulseServer&) = delete;
    PrivatePulseServer& operator=(const PrivatePulseServer&) = delete;

    // Starts the server; returns once it accepts clients (the daemonizing parent
    // exits only after the server has loaded its modules). False when it failed.
    bool Start()
    {
        std::vector<std::string> args = {
            "pulseaudio", "-n", "--daemonize=yes", "--exit-idle-time=-1", "--disable-shm=yes", "--system=no",
            "--use-pid-file=yes", "--log-target=file:" + (folder_ / "log").string(),
            "-L", "module-native-protocol-unix auth-anonymous=1 socket=" + (folder_ / "native").string(),
            "-L", "module-null-sink sink_name=varnel_private rate=22050 channels=1 format=s16le",
            "-L", "module-always-sink"};
        std::vector<std::string> env = ChildEnvironment();
        std::vector<char*> argv = Pointers(args), envp = Pointers(env);
        // The daemon is orphaned by its parent; as its reaper this process can wait
        // for its end (the container's init may leave it a zombie that still
        // counts as running).
        prctl(PR_SET_CHILD_SUBREAPER, 1);
        pid_t parent = 0;
        if (posix_spawnp(&parent, "pulseaudio", nullptr, nullptr, argv.data(), envp.data()) != 0) return false;
        int status = 0;
        if (waitpid(parent, &status, 0) != parent || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return false;
        pid_ = ReadPid();
        return pid_.has_value();
    }

    // Kills the server as a crash would (SIGKILL) and returns once it is gone.
    void Kill()
    {
        if (!pid_) return;
        if (kill(*pid_, SIGKILL) == 0) waitpid(*pid_, nullptr, 0);
        pid_.reset();
    }

    std::string Log() const
    {
        std::ifstream in(folder_ / "log");
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

private:
    // The caller's environment with the server's runtime and state kept in the folder.
    std::vector<std::string> ChildEnvironment() const
    {
        std::vector<std::string> env;
        for (char** entry = environ; *entry; ++entry) {
            std::string line(*entry);
            if (line.rfind("PULSE_", 0) == 0 || line.rfind("XDG_RUNTIME_DIR=", 0) == 0 || line.rfind("HOME=", 0) == 0)
                continue;
            env.push_back(line);
        }
        env.push_back("HOME=" + folder_.path().string());
        env.push_back("XDG_RUNTIME_DIR=" + folder_.path().string());
        env.push_back("PULSE_RUNTIME_PATH=" + (folder_ / "runtime").string());
        env.push_back("PULSE_STATE_PATH=" + (folder_ / "state").string());
        return env;
    }

    std::optional<pid_t> ReadPid() const
    {
        std::ifstream in(folder_ / "runtime" / "pid");
        long pid = 0;
        if (!(in >> pid) || pid <= 0) return std::nullopt;
        return static_cast<pid_t>(pid);
    }

    static std::vector<char*> Pointers(std::vector<std::string>& strings)
    {
        std::vector<char*> pointers;
        for (std::string& s : strings) pointers.push_back(s.data());
        pointers.push_back(nullptr);
        return pointers;
    }

    ScratchDir folder_;
    EnvVar address_;
    std::optional<pid_t> pid_;
};

}  // namespace testing_support
