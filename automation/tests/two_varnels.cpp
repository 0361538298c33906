// Two Varnel programs started in one folder share its set.ini. Their saves
// race each other: every version of the file must still be a whole INI with
// all seven keys of one program, and the program that saved last is what the
// file holds.
// GoogleTest before Xlib, whose macros (None, Bool) would break it.
#include <gtest/gtest.h>

#include "hold_test_support.h"
#include "desktop_test.h"
#include "x11_desktop.h"

#include <env_var.h>
#include <scratch_dir.h>
#include <virtual_display.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <poll.h>
#include <spawn.h>
#include <sys/inotify.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using desktop_test::X11Desktop;

using Settings = std::map<std::string, std::string>;

constexpr const char* kSettingsFile = "set.ini";
constexpr const char* kSection = "[Setting]";
constexpr int kRounds = 20;

// What each program takes from the file at its start (they differ in five keys;
// the file input stays off and the voice on the first row), and a third set
// neither holds. Text values are stored quoted.
const Settings kFirst = {{"InputFileChk", "0"}, {"InputFileFile", "\"first.txt\""}, {"InputText", "\"alpha\""},
                         {"Rate", "2"},         {"Volume", "40"},                   {"Voice", "0"},
                         {"Loop", "1"}};
const Settings kSecond = {{"InputFileChk", "0"}, {"InputFileFile", "\"second.txt\""}, {"InputText", "\"bravo\""},
                          {"Rate", "-3"},        {"Volume", "60"},                    {"Voice", "0"},
                          {"Loop", "2"}};
const Settings kNeither = {{"InputFileChk", "1"}, {"InputFileFile", "\"neither.txt\""}, {"InputText", "\"charlie\""},
                           {"Rate", "0"},         {"Volume", "100"},                   {"Voice", "0"},
                           {"Loop", "3"}};

void WriteSettings(const fs::path& file, const Settings& settings)
{
    std::ofstream out(file, std::ios::trunc);
    out << kSection << "\n";
    for (const auto& [key, value] : settings) out << key << "=" << value << "\n";
}

// The keys of the file's one section; nullopt when it is not that INI: another
// or no header first, a second header, a line without '=', a key twice.
std::optional<Settings> ParseSettings(const std::string& text)
{
    std::istringstream lines(text);
    std::string line;
    bool inSection = false;
    Settings keys;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        if (!inSection) {
            if (line != kSection) return std::nullopt;
            inSection = true;
            continue;
        }
        const auto equals = line.find('=');
        if (equals == std::string::npos || equals == 0) return std::nullopt;
        if (!keys.emplace(line.substr(0, equals), line.substr(equals + 1)).second) return std::nullopt;
    }
    if (!inSection) return std::nullopt;
    return keys;
}

// The built Varnel, started with no switches in the current directory; killed
// if the test leaves it running.
class Varnel {
public:
    Varnel()
    {
        std::string program = fs::absolute(hold_test::BuildDir() / "Varnel").string();
        char* argv[] = {program.data(), nullptr};
        if (posix_spawn(&pid_, argv[0], nullptr, nullptr, argv, environ) != 0) pid_ = -1;
    }
    ~Varnel()
    {
        if (pid_ <= 0) return;
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    Varnel(const Varnel&) = delete;
    Varnel& operator=(const Varnel&) = delete;

    pid_t pid() const { return pid_; }

    // Its exit code once it ends; nullopt when it does not end in the patience
    // (the destructor kills it then) or ends by a signal.
    std::optional<int> Finish()
    {
        int handle = static_cast<int>(syscall(SYS_pidfd_open, pid_, 0));
        if (handle < 0) return std::nullopt;
        pollfd ended{handle, POLLIN, 0};
        const bool done = poll(&ended, 1, static_cast<int>(desktop_test::kPatience.count() * 1000)) == 1;
        close(handle);
        if (!done) return std::nullopt;
        int status = 0;
        if (waitpid(pid_, &status, 0) != pid_) return std::nullopt;
        pid_ = -1;
        return WIFEXITED(status) ? std::optional<int>(WEXITSTATUS(status)) : std::nullopt;
    }

private:
    pid_t pid_ = -1;
};

// Sees each save land in the folder: the file renamed into place (or, were it
// written in place, closed after writing), and reads the version it left.
class SettingsWatch {
public:
    explicit SettingsWatch(const fs::path& folder) : folder_(folder), fd_(inotify_init1(IN_CLOEXEC))
    {
        if (fd_ >= 0 && inotify_add_watch(fd_, folder.c_str(), IN_MOVED_TO | IN_CLOSE_WRITE) < 0) {
            close(fd_);
            fd_ = -1;
        }
    }
    ~SettingsWatch()
    {
        if (fd_ >= 0) close(fd_);
    }
    SettingsWatch(const SettingsWatch&) = delete;
    SettingsWatch& operator=(const SettingsWatch&) = delete;

    bool watching() const { return fd_ >= 0; }

    // Waits for `count` more renames onto the file and returns the versions read
    // after every event on it; fewer renames only when the patience ran out.
    int WaitForSaves(int count, std::vector<std::string>& versions)
    {
        int renames = 0;
        while (renames < count) {
            pollfd ready{fd_, POLLIN, 0};
            if (poll(&ready, 1, static_cast<int>(desktop_test::kPatience.count() * 1000)) != 1) break;
            alignas(inotify_event) char buffer[4096];
            const ssize_t length = read(fd_, buffer, sizeof buffer);
            if (length <= 0) break;
            for (ssize_t at = 0; at < length;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
                if (event->len == 0 || std::string(event->name) != kSettingsFile) continue;
                versions.push_back(hold_test::ReadFile(folder_ / kSettingsFile));
                if (event->mask & IN_MOVED_TO) ++renames;
            }
        }
        return renames;
    }

private:
    fs::path folder_;
    int fd_ = -1;
};

class TwoVarnels : public DesktopTest {
protected:
    fs::path settingsFile() const { return isolated_.cwd() / kSettingsFile; }

    // Starts a Varnel that takes `settings` from the file: its dialog maps only
    // after it has read them. Once mapped, the dialog takes the focus; a key typed
    // into the other dialog before that would land in this one. 0 when no window
    // came or it never took the focus.
    Window StartWith(std::optional<Varnel>& program, const Settings& settings)
    {
        WriteSettings(settingsFile(), settings);
        program.emplace();
        if (program->pid() <= 0) return 0;
        const Window window = desktop_->WaitForWindowOf(program->pid()).value_or(0);
        return window && desktop_->WaitForFocus(window) ? window : 0;
    }

    // Enter on the dialog presses its focused button, Read, which saves first.
    void PressRead(Window window) { desktop_->Type(window, XK_Return); }

    // Puts a third set in place, as one rename, and takes its event: a save
    // that finds the file as it would leave it writes nothing, so after this
    // each Read of a round is sure to replace the file.
    void ResetTo(const Settings& settings, SettingsWatch& watch)
    {
        const fs::path staged = isolated_.root() / "staged.ini";
        WriteSettings(staged, settings);
        fs::rename(staged, settingsFile());
        std::vector<std::string> ours;
        EXPECT_EQ(watch.WaitForSaves(1, ours), 1);
    }
};

TEST_F(TwoVarnels, RacingSavesLeaveAWholeFileAndTheLastSaveWins)
{
    std::optional<Varnel> first, second;
    const Window firstWindow = StartWith(first, kFirst);
    ASSERT_NE(firstWindow, 0u) << "the first Varnel shows its dialog";
    const Window secondWindow = StartWith(second, kSecond);
    ASSERT_NE(secondWindow, 0u) << "the second Varnel shows its dialog";

    SettingsWatch watch(isolated_.cwd());
    ASSERT_TRUE(watch.watching());
    std::vector<std::string> versions;

    // Each round both Reads are pressed without waiting: their saves overlap.
    for (int round = 0; round < kRounds; ++round) {
        ResetTo(kNeither, watch);
        PressRead(firstWindow);
        PressRead(secondWindow);
        ASSERT_EQ(watch.WaitForSaves(2, versions), 2) << "every Read saves once, round " << round;
    }
    ASSERT_EQ(versions.size(), std::size_t{2 * kRounds}) << "nothing else writes the file";
    for (const std::string& version : versions) {
        const auto settings = ParseSettings(version);
        ASSERT_TRUE(settings.has_value()) << "not an INI:\n" << version;
        EXPECT_TRUE(*settings == kFirst || *settings == kSecond) << "keys missing or mixed:\n" << version;
    }

    // With nothing else pending, each final save is the last one, in turn.
    ResetTo(kNeither, watch);
    PressRead(firstWindow);
    ASSERT_EQ(watch.WaitForSaves(1, versions), 1);
    EXPECT_EQ(ParseSettings(hold_test::ReadFile(settingsFile())), kFirst);
    PressRead(secondWindow);
    ASSERT_EQ(watch.WaitForSaves(1, versions), 1);
    EXPECT_EQ(ParseSettings(hold_test::ReadFile(settingsFile())), kSecond);

    desktop_->Type(firstWindow, XK_Escape);
    desktop_->Type(secondWindow, XK_Escape);
    EXPECT_EQ(first->Finish(), 0);
    EXPECT_EQ(second->Finish(), 0);
}

}  // namespace
