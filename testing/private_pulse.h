// A PulseAudio server of the test's own, with a null sink, that the test can kill
// and start again at the same address (tests only). While alive it is the server
// of the process: PULSE_SERVER points at it.
#pragma once

#include "env_var.h"
#include "scratch_dir.h"

#include <signal.h>
#include <spawn.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

extern char** environ;

namespace testing_support {

class PrivatePulseServer {
public:
    PrivatePulseServer() : address_("PULSE_SERVER", "unix:" + (folder_ / "native").string()) {}
    ~PrivatePulseServer() { Kill(); }
    PrivatePulseServer(const PrivatePulseServer&) = delete;
    PrivatePulseServer& operator=(const PrivatePulseServer&) = delete;

    // Starts the server; returns once it accepts clients (it says READY=1 on the
    // service-manager socket after loading its modules). False when it failed.
    bool Start()
    {
        std::vector<std::string> args = {
            "pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--disable-shm=yes", "--system=no",
            "--use-pid-file=no", "--log-target=file:" + (folder_ / "log").string(),
            "-L", "module-native-protocol-unix auth-anonymous=1 socket=" + (folder_ / "native").string(),
            "-L", "module-null-sink sink_name=varnel_private rate=22050 channels=1 format=s16le",
            "-L", "module-always-sink"};
        const std::string notifyPath = (folder_ / "notify").string();
        int notify = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, notifyPath.c_str(), sizeof address.sun_path - 1);
        unlink(notifyPath.c_str());
        if (notify < 0 || bind(notify, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            if (notify >= 0) close(notify);
            return false;
        }
        std::vector<std::string> env = ChildEnvironment();
        env.push_back("NOTIFY_SOCKET=" + notifyPath);
        std::vector<char*> argv = Pointers(args), envp = Pointers(env);
        pid_t child = 0;
        bool ready = false;
        if (posix_spawnp(&child, "pulseaudio", nullptr, nullptr, argv.data(), envp.data()) == 0) {
            pid_ = child;
            ready = AwaitReady(notify, child);
        }
        close(notify);
        if (!ready) Kill();
        return ready;
    }

    // Kills the server as a crash would (SIGKILL) and returns once it is gone.
    void Kill()
    {
        if (!pid_) return;
        kill(*pid_, SIGKILL);
        waitpid(*pid_, nullptr, 0);
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

    // Waits for READY=1 on the socket, or for the server's end.
    static bool AwaitReady(int notify, pid_t child)
    {
        int ended = static_cast<int>(syscall(SYS_pidfd_open, child, 0));
        bool ready = false;
        for (;;) {
            pollfd waits[2] = {{notify, POLLIN, 0}, {ended, POLLIN, 0}};
            if (poll(waits, ended >= 0 ? 2 : 1, -1) < 0 && errno != EINTR) break;
            if (waits[0].revents & POLLIN) {
                char said[512];
                ssize_t length = recv(notify, said, sizeof said - 1, 0);
                if (length > 0 && std::string_view(said, static_cast<std::size_t>(length)).find("READY=1") !=
                                      std::string_view::npos) {
                    ready = true;
                    break;
                }
            }
            if (ended >= 0 && (waits[1].revents & POLLIN)) break;  // it ended before it was ready
        }
        if (ended >= 0) close(ended);
        return ready;
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
