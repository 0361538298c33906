// The installed Varnel started as the desktop's menu starts it: the command of
// the installed entry's Exec line, found on the PATH, in a fresh home folder
// that is also the current directory. Its working files must not land loose in
// that home; a terminal start keeps them in the current directory.
// GoogleTest before Xlib, whose macros (None, Bool) would break it.
#include <gtest/gtest.h>

#include "x11_desktop.h"

#include <env_var.h>
#include <scratch_dir.h>
#include <virtual_display.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <poll.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using desktop_test::X11Desktop;
using testing_support::EnvVar;

constexpr const char* kEntry = "usr/share/applications/org.varnel.Varnel.desktop";

fs::path BuildDir()
{
    const char* dir = std::getenv("VARNEL_BUILD_DIR");
    return fs::absolute(dir ? dir : ".");
}

// A child process ended within the patience, and how.
std::optional<int> ExitCodeOf(pid_t pid)
{
    int handle = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
    if (handle >= 0) {
        pollfd ended{handle, POLLIN, 0};
        const bool done = poll(&ended, 1, static_cast<int>(desktop_test::kPatience.count() * 1000)) == 1;
        close(handle);
        if (!done) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
            return std::nullopt;
        }
    }
    int status = 0;
    if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return std::nullopt;
    return WEXITSTATUS(status);
}

// Runs argv (found on the PATH) in `folder` and returns its pid, or -1.
pid_t Spawn(const std::vector<std::string>& arguments, const fs::path& folder)
{
    std::vector<char*> argv;
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    pid_t pid = -1;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// The Exec line's words, without field codes (%f, %U, ...), which a launcher
// replaces by nothing when it starts the program without files.
std::vector<std::string> ExecCommand(const fs::path& entry)
{
    std::ifstream file(entry);
    std::string line;
    while (std::getline(file, line)) {
        if (line.rfind("Exec=", 0) != 0) continue;
        std::istringstream words(line.substr(5));
        std::vector<std::string> command;
        for (std::string word; words >> word;)
            if (word.size() != 2 || word[0] != '%') command.push_back(word);
        return command;
    }
    return {};
}

class InstalledVarnel : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::string install = "DESTDIR='" + stage_.path().string() + "' cmake --install '" +
                                    BuildDir().string() + "' --prefix /usr >/dev/null";
        ASSERT_EQ(std::system(install.c_str()), 0) << install;
        if (display_.name().empty()) GTEST_SKIP() << "Xvfb could not be started (scripts/install-deps.sh installs it)";
        fs::create_directories(home());
        path_.emplace("PATH", (stage_ / "usr/bin").string() + ":" + std::getenv("PATH"));
        home_.emplace("HOME", home().string());
        config_home_.emplace("XDG_CONFIG_HOME", std::nullopt);
        data_home_.emplace("XDG_DATA_HOME", std::nullopt);
        display_env_.emplace("DISPLAY", display_.name());
        platform_env_.emplace("QT_QPA_PLATFORM", "xcb");
        desktop_.emplace(display_.name());
        ASSERT_TRUE(desktop_->connected());
    }

    fs::path home() const { return stage_ / "home"; }

    // Starts the command in `folder`, reads aloud once (Enter: the settings are
    // saved), closes the dialog with Escape; the exit code.
    std::optional<int> ReadOnceAndClose(const std::vector<std::string>& command, const fs::path& folder)
    {
        pid_t pid = Spawn(command, folder);
        if (pid <= 0) return std::nullopt;
        auto window = desktop_->WaitForWindowOf(pid);
        EXPECT_TRUE(window.has_value()) << "the dialog appears";
        if (window) {
            desktop_->Type(*window, XK_Return);
            desktop_->Type(*window, XK_Escape);
        } else {
            kill(pid, SIGTERM);
        }
        return ExitCodeOf(pid);
    }

    testing_support::ScratchDir stage_;
    testing_support::VirtualDisplay display_;
    std::optional<EnvVar> path_, home_, config_home_, data_home_, display_env_, platform_env_;
    std::optional<X11Desktop> desktop_;
};

TEST_F(InstalledVarnel, AMenuStartKeepsItsWorkingFilesInItsConfigFolder)
{
    const std::vector<std::string> command = ExecCommand(stage_ / kEntry);
    ASSERT_FALSE(command.empty()) << "the entry has an Exec line";

    EXPECT_EQ(ReadOnceAndClose(command, home()), 0);

    EXPECT_FALSE(fs::exists(home() / "set.ini"));
    EXPECT_FALSE(fs::exists(home() / "input.txt"));
    EXPECT_TRUE(fs::exists(home() / ".config/varnel/set.ini")) << "the settings were saved in the config folder";
}

TEST_F(InstalledVarnel, ATerminalStartKeepsThemInTheCurrentDirectory)
{
    const fs::path project = home() / "project";
    fs::create_directories(project);

    EXPECT_EQ(ReadOnceAndClose({"Varnel"}, project), 0);

    EXPECT_TRUE(fs::exists(project / "set.ini"));
    EXPECT_FALSE(fs::exists(home() / ".config/varnel/set.ini"));
}

}  // namespace
