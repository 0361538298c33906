// Helpers of the converter's tests: files, WAV contents, runs of the converter in
// this process and as a child process.
#pragma once

#include "run_narrate.h"

#include <varnel/speech_classes.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <sys/inotify.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace converter_test {

// Waits until a file of the watched folder whose name starts with `prefix` gets an
// event of `mask` and `holds` is true of its name; gives the name, or "" once no
// event came for half a minute.
template <typename Holds>
std::string AwaitEvent(int inotify, std::uint32_t mask, const std::string& prefix, Holds holds)
{
    pollfd fd{inotify, POLLIN, 0};
    while (poll(&fd, 1, 30000) > 0) {
        alignas(inotify_event) char buffer[4096];
        ssize_t n = read(inotify, buffer, sizeof buffer);
        for (ssize_t at = 0; at < n;) {
            auto* event = reinterpret_cast<inotify_event*>(buffer + at);
            std::string name = event->len ? event->name : "";
            if ((event->mask & mask) && !name.empty() && name.rfind(prefix, 0) == 0 && holds(name)) return name;
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    }
    return {};
}

inline std::string ReadBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void WriteBytes(const std::filesystem::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

inline std::vector<std::string> NamesIn(const std::filesystem::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

struct Wav {
    bool valid = false;
    std::uint16_t channels = 0;
    std::uint32_t sampleRate = 0;
    std::uint16_t bits = 0;
    std::vector<std::int16_t> samples;
};

// A canonical 44-byte-header PCM WAV whose sizes match the file.
inline Wav ParseWav(const std::string& bytes)
{
    Wav wav;
    auto u32 = [&](std::size_t at) { std::uint32_t v; std::memcpy(&v, bytes.data() + at, 4); return v; };
    auto u16 = [&](std::size_t at) { std::uint16_t v; std::memcpy(&v, bytes.data() + at, 2); return v; };
    if (bytes.size() < 44 || bytes.compare(0, 4, "RIFF") || bytes.compare(8, 8, "WAVEfmt ") ||
        bytes.compare(36, 4, "data"))
        return wav;
    std::uint32_t data = u32(40);
    if (u32(4) != 36 + data + (data & 1) || bytes.size() != 44 + data + (data & 1)) return wav;
    wav.channels = u16(22);
    wav.sampleRate = u32(24);
    wav.bits = u16(34);
    wav.samples.resize(data / 2);
    if (!wav.samples.empty()) std::memcpy(wav.samples.data(), bytes.data() + 44, wav.samples.size() * 2);
    wav.valid = u16(20) == 1;
    return wav;
}

struct RunResult {
    int exitCode = -1;
    std::string out, err;
};

// RunNarrate in this process, with "narrate" as the program name and the
// engine's classes registered as its main() does.
inline RunResult RunInProcess(std::vector<std::string> args)
{
    RegisterSpeechClasses();
    args.insert(args.begin(), "narrate");
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    RunResult result;
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    result.exitCode = narrate::RunNarrate(static_cast<int>(args.size()), argv.data());
    result.err = ::testing::internal::GetCapturedStderr();
    result.out = ::testing::internal::GetCapturedStdout();
    return result;
}

inline std::string BuiltNarrate()
{
    const char* dir = std::getenv("VARNEL_BUILD_DIR");
    return (std::filesystem::path(dir ? dir : ".") / "narrate").string();
}

// Where the child's standard error goes: a pipe, or a pseudo-terminal.
enum class ErrorTo { Pipe, Terminal };

// The built narrate as a child process, its output collected.
class Child {
public:
    explicit Child(std::vector<std::string> args, ErrorTo errorTo = ErrorTo::Pipe)
    {
        args.insert(args.begin(), BuiltNarrate());
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        int out[2], err[2];
        if (pipe(out) || (errorTo == ErrorTo::Pipe ? pipe(err) : OpenTerminal(err))) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_adddup2(&actions, err[1], 2);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        posix_spawn_file_actions_addclose(&actions, err[0]);
        if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        close(err[1]);
        outFd_ = out[0];
        errFd_ = err[0];
    }
    ~Child()
    {
        if (pid_ > 0) Wait();
    }

    pid_t pid() const { return pid_; }

    RunResult Wait()
    {
        RunResult result;
        pollfd fds[2] = {{outFd_, POLLIN, 0}, {errFd_, POLLIN, 0}};
        std::string* sinks[2] = {&result.out, &result.err};
        int open = 2;
        while (open > 0 && poll(fds, 2, -1) > 0) {
            for (int i = 0; i < 2; ++i) {
                if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP))) continue;
                char buffer[4096];
                ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
                if (n > 0) {  // a terminal with no writer left reads EIO
                    sinks[i]->append(buffer, static_cast<std::size_t>(n));
                } else {
                    close(fds[i].fd);
                    fds[i].fd = -1;
                    --open;
                }
            }
        }
        int status = 0;
        if (pid_ > 0 && waitpid(pid_, &status, 0) == pid_ && WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
        pid_ = -1;
        return result;
    }

private:
    // A pseudo-terminal as a pipe: [0] its master end, [1] the terminal.
    static int OpenTerminal(int ends[2])
    {
        ends[0] = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (ends[0] < 0 || grantpt(ends[0]) || unlockpt(ends[0])) return -1;
        ends[1] = open(ptsname(ends[0]), O_RDWR | O_NOCTTY | O_CLOEXEC);
        return ends[1] < 0 ? -1 : 0;
    }

    pid_t pid_ = -1;
    int outFd_ = -1, errFd_ = -1;
};

inline RunResult RunChild(std::vector<std::string> args) { return Child(std::move(args)).Wait(); }

}  // namespace converter_test

namespace converter_test {

// The number of espeak-ng's English (Great Britain) among narrate's voices, for
// tests about rendering rather than about a voice: espeak-ng renders some 25 times
// faster than flite's voices, voice 1 for English where flite is installed.
inline std::string QuickVoice()
{
    static const std::string number = [] {
        RunResult voices = RunChild({"--voices"});
        const std::string wanted = "\tEnglish (Great Britain)\n";
        const std::size_t at = voices.out.find(wanted);
        if (at == std::string::npos) return std::string("1");
        const std::size_t line = voices.out.rfind('\n', at);
        return voices.out.substr(line == std::string::npos ? 0 : line + 1, at - (line == std::string::npos ? 0 : line + 1));
    }();
    return number;
}

}  // namespace converter_test
