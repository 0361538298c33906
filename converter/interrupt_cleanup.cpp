#include "interrupt_cleanup.h"

#include <winbase.h>

#include <algorithm>
#include <mutex>
#include <vector>

namespace narrate {

struct InterruptCleanup::State {
    std::mutex mutex;
    std::vector<std::string> tracked;
    bool interrupted = false;
};

InterruptCleanup& InterruptCleanup::Instance()
{
    static InterruptCleanup instance;
    return instance;
}

InterruptCleanup::State& InterruptCleanup::state()
{
    // Never destroyed: the handler's thread may still use it while the process ends.
    static State* state = new State;
    return *state;
}

bool InterruptCleanup::CreateTracked(const std::string& path, const std::function<void()>& create)
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    if (s.interrupted) return false;
    s.tracked.push_back(path);
    create();
    return true;
}

bool InterruptCleanup::FinishTracked(const std::string& path, const std::function<void()>& finish)
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    if (s.interrupted) return false;
    finish();
    s.tracked.erase(std::remove(s.tracked.begin(), s.tracked.end(), path), s.tracked.end());
    return true;
}

void InterruptCleanup::Interrupt()
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    s.interrupted = true;
    for (const std::string& path : s.tracked) DeleteFileA(path.c_str());
    s.tracked.clear();
}

namespace {

BOOL OnConsoleControl(DWORD)
{
    InterruptCleanup::Instance().Interrupt();
    return FALSE;  // the default handler ends the process with exit code 1
}

}  // namespace

ScopedInterruptHandler::ScopedInterruptHandler() : installed_(SetConsoleCtrlHandler(&OnConsoleControl, TRUE)) {}

ScopedInterruptHandler::~ScopedInterruptHandler()
{
    if (installed_) SetConsoleCtrlHandler(&OnConsoleControl, FALSE);
}

}  // namespace narrate
