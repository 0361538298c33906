// The real Varnel as its automation server, on a private X display: a client
// that holds "Varnel.Application" gets a Varnel of its own whose dialog only
// hides while held, and which ends when the hold ends.
#include "hold_test_support.h"
#include "desktop_test.h"
#include "x11_desktop.h"

#include <env_var.h>
#include <scratch_dir.h>
#include <virtual_display.h>

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include <spawn.h>
#include <sys/syscall.h>
#include <unistd.h>

extern char** environ;

namespace {

using desktop_test::X11Desktop;
using hold_test::HoldProcess;

constexpr const char* kProgId = "Varnel.Application";
constexpr const char* kClsid = "{36441365-33C3-423D-9CFE-E48DDBEBE91A}";

std::filesystem::path BuiltVarnel() { return std::filesystem::absolute(hold_test::BuildDir() / "Varnel"); }

std::string CommandLineOf(pid_t pid)
{
    std::string line = hold_test::ReadFile("/proc/" + std::to_string(pid) + "/cmdline");
    for (char& c : line)
        if (c == '\0') c = ' ';
    return line;
}

// Waits until the process ends, whoever its parent is; false when it does not.
bool WaitForExit(pid_t pid)
{
    int handle = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
    if (handle < 0) return errno == ESRCH;  // already gone
    pollfd ended{handle, POLLIN, 0};
    const bool done = poll(&ended, 1, static_cast<int>(desktop_test::kPatience.count() * 1000)) == 1;
    close(handle);
    return done;
}

bool IsRunning(pid_t pid)
{
    const std::string stat = hold_test::ReadFile("/proc/" + std::to_string(pid) + "/stat");
    const auto close = stat.rfind(')');
    return close != std::string::npos && close + 2 < stat.size() && stat[close + 2] != 'Z';
}

// Varnel started as a user starts it: no switches.
class UserVarnel {
public:
    UserVarnel()
    {
        std::string program = BuiltVarnel().string();
        char* argv[] = {program.data(), nullptr};
        if (posix_spawn(&pid_, argv[0], nullptr, nullptr, argv, environ) != 0) pid_ = -1;
    }
    ~UserVarnel()
    {
        if (pid_ > 0) kill(pid_, SIGKILL);
        if (pid_ > 0) waitpid(pid_, nullptr, 0);
    }
    pid_t pid() const { return pid_; }
    // Its exit code once it has ended by itself.
    std::optional<int> Finish()
    {
        int status = 0;
        if (waitpid(pid_, &status, 0) != pid_) return std::nullopt;
        pid_ = -1;
        return WIFEXITED(status) ? std::optional<int>(WEXITSTATUS(status)) : std::nullopt;
    }

private:
    pid_t pid_ = -1;
};

class VarnelDesktop : public DesktopTest {
protected:
    // The registration Varnel's own start writes, so holds can start it.
    void RegisterVarnel()
    {
        hold_test::RegisterTestClass(kProgId, kClsid, BuiltVarnel().string());
    }

    // A hold that has its object, and the window of the instance serving it.
    struct Held {
        std::unique_ptr<HoldProcess> hold;
        pid_t server = -1;
        Window window = 0;
    };
    Held StartHold()
    {
        Held held;
        held.hold = std::make_unique<HoldProcess>(std::vector<std::string>{kProgId});
        EXPECT_EQ(held.hold->WaitForLine(), std::string("holding ") + kProgId + "\n");
        held.server = ServerOf(*held.hold);
        if (held.server > 0) {
            auto window = desktop_->WaitForWindowOf(held.server);
            EXPECT_TRUE(window.has_value()) << "the served instance shows its dialog";
            held.window = window.value_or(0);
            // Keys typed before the dialog took the focus itself could go elsewhere.
            if (window) {
                EXPECT_TRUE(desktop_->WaitForFocus(*window));
            }
        }
        return held;
    }
    // The Varnel the hold's runtime started: the hold's child.
    static pid_t ServerOf(HoldProcess& hold)
    {
        const std::string children =
            hold_test::ReadFile("/proc/" + std::to_string(hold.pid()) + "/task/" + std::to_string(hold.pid()) + "/children");
        return children.empty() ? -1 : static_cast<pid_t>(std::stol(children));
    }
    // A hidden instance ends with its client's release; one whose dialog still
    // shows is the user's then, and ends when they close it.
    void EndHold(Held& held)
    {
        const bool shown = desktop_->IsMapped(held.window);
        held.hold->CloseInput();
        EXPECT_EQ(held.hold->Finish().exitCode, 0);
        if (shown) desktop_->Type(held.window, XK_Escape);
        EXPECT_TRUE(WaitForExit(held.server)) << "the released instance ends";
    }
};

TEST_F(VarnelDesktop, AUserStartRewritesTheRegistrationAndNoClientAttachesToIt)
{
    hold_test::RegisterTestClass(kProgId, kClsid, "/nowhere/Varnel");
    UserVarnel user;
    ASSERT_GT(user.pid(), 0);
    auto userWindow = desktop_->WaitForWindowOf(user.pid());
    ASSERT_TRUE(userWindow.has_value());
    ASSERT_TRUE(desktop_->WaitForFocus(*userWindow));
    EXPECT_EQ(hold_test::ClassesDefault(std::string("CLSID\\") + kClsid + "\\LocalServer32"), BuiltVarnel().string());
    EXPECT_EQ(hold_test::ClassesDefault(std::string(kProgId) + "\\CLSID"), kClsid);

    Held held = StartHold();
    ASSERT_GT(held.server, 0);
    EXPECT_NE(held.server, user.pid()) << "a client gets an instance of its own";
    EXPECT_NE(CommandLineOf(held.server).find("/Embedding"), std::string::npos) << CommandLineOf(held.server);
    EndHold(held);

    EXPECT_TRUE(desktop_->IsMapped(*userWindow)) << "the user's Varnel is untouched";
    desktop_->ClickCloseBox(*userWindow);
    EXPECT_EQ(user.Finish(), 0) << "with no client, closing ends the program";
}

struct Closing {
    const char* name;
    void (*close)(X11Desktop&, Window);
};

class ClosingWhileHeld : public VarnelDesktop, public ::testing::WithParamInterface<Closing> {};

TEST_P(ClosingWhileHeld, HidesTheDialogAndTheInstanceLivesUntilTheHoldEnds)
{
    RegisterVarnel();
    Held held = StartHold();
    ASSERT_NE(held.window, 0u);
    EXPECT_TRUE(desktop_->IsMapped(held.window));

    GetParam().close(*desktop_, held.window);
    EXPECT_TRUE(desktop_->WaitForUnmap(held.window)) << "the dialog hides";
    EXPECT_TRUE(IsRunning(held.server)) << "and the program lives on while the client holds it";

    EndHold(held);
}

INSTANTIATE_TEST_SUITE_P(
    EveryWayToClose, ClosingWhileHeld,
    ::testing::Values(Closing{"Escape", [](X11Desktop& d, Window w) { d.Type(w, XK_Escape); }},
                      Closing{"ExitButton", [](X11Desktop& d, Window w) { d.Type(w, XK_e, {XK_Alt_L}); }},
                      Closing{"AltF4", [](X11Desktop& d, Window w) { d.Type(w, XK_F4, {XK_Alt_L}); }},
                      Closing{"CloseBox", [](X11Desktop& d, Window w) { d.ClickCloseBox(w); }}),
    [](const ::testing::TestParamInfo<Closing>& info) { return std::string(info.param.name); });

TEST_F(VarnelDesktop, TwoHoldsGetTwoInstances)
{
    RegisterVarnel();
    Held first = StartHold();
    Held second = StartHold();
    ASSERT_GT(first.server, 0);
    ASSERT_GT(second.server, 0);
    EXPECT_NE(first.server, second.server);
    EXPECT_NE(first.window, second.window);
    EndHold(second);
    EXPECT_TRUE(IsRunning(first.server)) << "one client's release leaves the other's instance alone";
    EndHold(first);
}

}  // namespace
