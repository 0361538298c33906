// Figures of Varnel as an automation server, on a private X display:
//  - from starting `automation-hold Varnel.Application` to its `holding` line,
//    a cold start of a new Varnel included;
//  - from the client's death (SIGKILL) to the end of the hidden instance it
//    held, which takes the server's release of the object, the dialog's close
//    and the program's exit: an upper bound on death-to-release.
// Prints medians of runs; nothing here is a test.
#include "../figures.h"

#include "x11_desktop.h"

#include <virtual_display.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

using bench::Clock;
using bench::Median;
using bench::Ms;
namespace fs = std::filesystem;
constexpr int kRuns = 7;

std::string ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The hold, its standard streams on pipes; `holding` read from its output.
struct Hold {
    pid_t pid = -1;
    int input = -1, output = -1;
};

Hold StartHold(const fs::path& program)
{
    Hold hold;
    int in[2], out[2];
    if (pipe2(in, O_CLOEXEC) || pipe2(out, O_CLOEXEC)) return hold;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    std::string path = program.string(), progId = "Varnel.Application";
    char* argv[] = {path.data(), progId.data(), nullptr};
    if (posix_spawn(&hold.pid, argv[0], &actions, nullptr, argv, environ) != 0) hold.pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(in[0]);
    close(out[1]);
    hold.input = in[1];
    hold.output = out[0];
    return hold;
}

bool ReadHoldingLine(const Hold& hold)
{
    std::string line;
    char c;
    while (read(hold.output, &c, 1) == 1) {
        if (c == '\n') return line == "holding Varnel.Application";
        line += c;
    }
    return false;
}

pid_t ServerOf(const Hold& hold)
{
    const std::string children =
        ReadFile("/proc/" + std::to_string(hold.pid) + "/task/" + std::to_string(hold.pid) + "/children");
    return children.empty() ? -1 : static_cast<pid_t>(std::stol(children));
}

bool WaitForExit(pid_t pid)
{
    int handle = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
    if (handle < 0) return true;
    pollfd ended{handle, POLLIN, 0};
    const bool done = poll(&ended, 1, 60000) == 1;
    close(handle);
    return done;
}

// The registration Varnel writes each time a user starts it: start one, wait for
// its dialog (it registers before showing it) and close it.
bool Register(desktop_test::X11Desktop& desktop, const fs::path& varnel)
{
    std::string path = varnel.string();
    char* argv[] = {path.data(), nullptr};
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv, environ) != 0) return false;
    auto window = desktop.WaitForWindowOf(pid);
    if (window) desktop.ClickCloseBox(*window);
    else kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    return window.has_value();
}

}  // namespace

int main()
{
    const char* buildDir = std::getenv("VARNEL_BUILD_DIR");
    const fs::path build = fs::absolute(buildDir ? buildDir : ".");
    testing_support::VirtualDisplay display;
    if (display.name().empty()) {
        std::puts("varnel hold bench: Xvfb could not be started; no figures");
        return 0;
    }
    char scratchPattern[] = "/tmp/varnel-bench.XXXXXX";
    const fs::path scratch = mkdtemp(scratchPattern);
    fs::create_directories(scratch / "runtime");
    fs::permissions(scratch / "runtime", fs::perms::owner_all);
    setenv("DISPLAY", display.name().c_str(), 1);
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    setenv("XDG_RUNTIME_DIR", (scratch / "runtime").c_str(), 1);
    fs::current_path(scratch);

    setenv("XDG_DATA_HOME", (scratch / "data").c_str(), 1);
    desktop_test::X11Desktop desktop(display.name());
    if (!Register(desktop, build / "Varnel")) {
        std::puts("varnel hold bench: Varnel did not start; no figures");
        return 1;
    }
    std::vector<double> toHolding, deathToEnd;
    for (int run = 0; run < kRuns + 1; ++run) {
        const auto started = Clock::now();
        Hold hold = StartHold(build / "automation-hold");
        if (hold.pid < 0 || !ReadHoldingLine(hold)) {
            std::puts("varnel hold bench: automation-hold did not hold the object; no figures");
            return 1;
        }
        const auto holding = Clock::now();
        const pid_t server = ServerOf(hold);
        auto window = desktop.WaitForWindowOf(server);
        if (!window) return 1;
        desktop.Type(*window, XK_Escape);  // hidden while held
        desktop.WaitForUnmap(*window);
        const auto killed = Clock::now();
        kill(hold.pid, SIGKILL);
        WaitForExit(server);
        const auto ended = Clock::now();
        waitpid(hold.pid, nullptr, 0);
        close(hold.input);
        close(hold.output);
        if (run == 0) continue;  // the first run warms the disk cache
        toHolding.push_back(Ms(holding - started));
        deathToEnd.push_back(Ms(ended - killed));
    }
    std::printf("automation-hold start to 'holding' (a new Varnel started cold): %.0f ms (median of %d)\n",
                Median(toHolding), kRuns);
    std::printf("client SIGKILL to the end of its hidden Varnel (release, close, exit): %.1f ms (median of %d)\n",
                Median(deathToEnd), kRuns);
    std::error_code ignored;
    fs::current_path("/");
    fs::remove_all(scratch, ignored);
    return 0;
}
