#include "interrupt_cleanup.h"

#include <winbase.h>

#include <mutex>

namespace narrate {

struct InterruptCleanup::State {
    std::mutex mutex;
    std::string tracked;
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
    s.tracked = path;
    create();
    return true;
}

bool InterruptCleanup::FinishTracked(const std::function<void()>& finish)
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    if (s.interrupted) return false;
    finish();
    s.tracked.clear();
    return true;
}

void InterruptCleanup::Interrupt()
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    s.interrupted = true;
    if (!s.tracked.empty()) DeleteFileA(s.tracked.c_str());
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
