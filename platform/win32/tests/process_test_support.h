// Test helpers for the process functions: scripts, FIFOs that hold a child
// until the test lets it go, and a look at a pid's state in /proc.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <env_var.h>
#include <handleapi.h>
#include <processthreadsapi.h>
#include <synchapi.h>
#include <winbase.h>

namespace win32_test {

inline std::string ReadText(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

inline void WriteText(const std::filesystem::path& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

// An executable shell script.
inline void WriteScript(const std::filesystem::path& path, const std::string& body)
{
    WriteText(path, "#!/bin/sh\n" + body + "\n");
    std::filesystem::permissions(path, std::filesystem::perms::owner_all);
}

// The state letter of /proc/<pid>/stat ('Z' for a zombie); nullopt once the
// pid is gone (reaped).
inline std::optional<char> ProcessState(DWORD pid)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(in, line)) return std::nullopt;
    auto close = line.rfind(')');
    if (close == std::string::npos || close + 2 >= line.size()) return std::nullopt;
    return line[close + 2];
}

// A FIFO a child blocks on (": < fifo") until Release opens and closes its
// writing end.
class Gate {
public:
    explicit Gate(std::filesystem::path path) : path_(std::move(path)) { mkfifo(path_.c_str(), 0600); }
    const std::filesystem::path& path() const { return path_; }
    // A child that waits at the gate, then ends with exit code 0.
    std::string commandLine() const { return "/bin/sh -c \": < '" + path_.string() + "'\""; }
    // Blocks until the child has opened the reading end, then lets it go.
    void Release() const
    {
        int fd = open(path_.c_str(), O_WRONLY | O_CLOEXEC);
        if (fd >= 0) close(fd);
    }

private:
    std::filesystem::path path_;
};

// Starts a command line; FALSE results are left to the caller.
struct Started {
    BOOL ok = FALSE;
    DWORD error = 0;
    PROCESS_INFORMATION info{};
};

inline Started Start(const std::string& commandLine, const char* directory = nullptr, void* environment = nullptr)
{
    Started started;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    std::string line = commandLine;
    started.ok = CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, environment, directory, &startup,
                                &started.info);
    started.error = started.ok ? 0 : GetLastError();
    return started;
}

// Waits for the child without limit, closes its handles and gives its exit code.
inline DWORD Finish(const PROCESS_INFORMATION& info)
{
    DWORD code = 0xDEADBEEF;
    if (WaitForSingleObject(info.hProcess, INFINITE) == WAIT_OBJECT_0) GetExitCodeProcess(info.hProcess, &code);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return code;
}

using testing_support::EnvVar;

}  // namespace win32_test
