// Helpers of automation-hold's tests: class registrations in the scratch
// registry, the built program as a child process, the test server's log.
#pragma once

#include "hold_test_class.h"

#include <winreg.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/inotify.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace hold_test {

// Guards against a hang only; no test measures time.
inline constexpr int kPatienceMs = 60'000;

inline std::filesystem::path BuildDir()
{
    const char* dir = std::getenv("VARNEL_BUILD_DIR");
    return dir ? dir : ".";
}
inline std::filesystem::path BuiltHold() { return BuildDir() / "automation-hold"; }
inline std::filesystem::path BuiltTestServer() { return BuildDir() / "automation_hold_test_server"; }

inline bool SetClassesDefault(const std::string& subKey, const std::string& value)
{
    return RegSetValueA(HKEY_CLASSES_ROOT, subKey.c_str(), REG_SZ, value.c_str(),
                        static_cast<DWORD>(value.size() + 1)) == ERROR_SUCCESS;
}

// The default value of a key below HKEY_CLASSES_ROOT, or "" when it has none.
inline std::string ClassesDefault(const std::string& subKey)
{
    char value[1024] = {};
    LONG size = sizeof value;
    if (RegQueryValueA(HKEY_CLASSES_ROOT, subKey.c_str(), value, &size) != ERROR_SUCCESS) return {};
    return value;
}

// ProgID -> CLSID and back, and the CLSID's LocalServer32 when one is given.
inline void RegisterTestClass(const std::string& progId, const std::string& clsid,
                              const std::optional<std::string>& localServer = std::nullopt)
{
    ASSERT_TRUE(SetClassesDefault(progId + "\\CLSID", clsid));
    ASSERT_TRUE(SetClassesDefault("CLSID\\" + clsid + "\\ProgID", progId));
    if (localServer) {
        ASSERT_TRUE(SetClassesDefault("CLSID\\" + clsid + "\\LocalServer32", *localServer));
    }
}

inline std::string ReadFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Waits until the file holds `text`, woken by inotify on its folder.
inline bool WaitForFileText(const std::filesystem::path& path, const std::string& text)
{
    int watch = inotify_init1(IN_CLOEXEC);
    if (watch < 0) return false;
    inotify_add_watch(watch, path.parent_path().c_str(), IN_CREATE | IN_MODIFY | IN_CLOSE_WRITE);
    bool found = false;
    for (;;) {
        if (ReadFile(path).find(text) != std::string::npos) {
            found = true;
            break;
        }
        pollfd ready{watch, POLLIN, 0};
        if (poll(&ready, 1, kPatienceMs) <= 0) break;
        char events[4096];
        if (read(watch, events, sizeof events) <= 0) break;
    }
    close(watch);
    return found;
}

struct Finished {
    int exitCode = -1;  // -1: ended by a signal or not waited for
    std::string out, err;
};

// The built automation-hold with pipes on its three standard streams.
class HoldProcess {
public:
    explicit HoldProcess(std::vector<std::string> args)
    {
        args.insert(args.begin(), BuiltHold().string());
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        int in[2], out[2], err[2];
        // Close-on-exec, so the child holds no copy of the ends that are ours.
        if (pipe2(in, O_CLOEXEC) || pipe2(out, O_CLOEXEC) || pipe2(err, O_CLOEXEC)) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, in[0], 0);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_adddup2(&actions, err[1], 2);
        if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        close(in[0]);
        close(out[1]);
        close(err[1]);
        inFd_ = in[1];
        outFd_ = out[0];
        errFd_ = err[0];
    }
    ~HoldProcess()
    {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        for (int fd : {inFd_, outFd_, errFd_})
            if (fd >= 0) close(fd);
    }
    HoldProcess(const HoldProcess&) = delete;
    HoldProcess& operator=(const HoldProcess&) = delete;

    bool started() const { return pid_ > 0; }
    pid_t pid() const { return pid_; }

    // Reads standard output until it holds a whole line or ends; the output so far.
    std::string WaitForLine()
    {
        while (out_.find('\n') == std::string::npos && outFd_ >= 0) {
            pollfd ready{outFd_, POLLIN, 0};
            if (poll(&ready, 1, kPatienceMs) <= 0) break;
            if (!ReadSome(outFd_, out_)) {
                close(outFd_);
                outFd_ = -1;
            }
        }
        return out_;
    }

    void CloseInput()
    {
        if (inFd_ >= 0) close(inFd_);
        inFd_ = -1;
    }
    void Signal(int signal) { kill(pid_, signal); }

    // Waits for the program's end, then takes what its streams still hold. The
    // streams may stay open after that (a server it started may share them), so
    // they are drained, not read to their end.
    Finished Finish()
    {
        Finished result;
        int status = 0;
        if (pid_ > 0 && waitpid(pid_, &status, 0) == pid_ && WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
        pid_ = -1;
        Drain(outFd_, out_);
        Drain(errFd_, err_);
        result.out = out_;
        result.err = err_;
        return result;
    }

private:
    static bool ReadSome(int fd, std::string& sink)
    {
        char buffer[4096];
        ssize_t got = read(fd, buffer, sizeof buffer);
        if (got > 0) sink.append(buffer, static_cast<std::size_t>(got));
        return got > 0;
    }
    static void Drain(int fd, std::string& sink)
    {
        if (fd < 0) return;
        fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
        while (ReadSome(fd, sink)) {
        }
    }

    pid_t pid_ = -1;
    int inFd_ = -1, outFd_ = -1, errFd_ = -1;
    std::string out_, err_;
};

}  // namespace hold_test
