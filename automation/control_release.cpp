#include "control_release.h"

#include <winbase.h>

#include <atomic>

namespace hold {

namespace {

constexpr std::chrono::seconds kCloseGrace{5};

std::atomic<ReleaseSignal*> target{nullptr};

BOOL OnConsoleControl(DWORD event)
{
    ReleaseSignal* signal = target.load();
    if (!signal || event == CTRL_BREAK_EVENT) return FALSE;
    signal->Raise();
    if (event == CTRL_C_EVENT) return TRUE;
    // Returning ends the process with exit code 1: wait until the main thread
    // has released the object and is on its way out with its own code.
    if (!signal->WaitReleased(kCloseGrace)) return FALSE;
    signal->Park();
}

}  // namespace

ScopedReleaseOnControl::ScopedReleaseOnControl(ReleaseSignal& signal)
{
    target.store(&signal);
    installed_ = SetConsoleCtrlHandler(&OnConsoleControl, TRUE);
    if (!installed_) target.store(nullptr);
}

ScopedReleaseOnControl::~ScopedReleaseOnControl()
{
    if (!installed_) return;
    SetConsoleCtrlHandler(&OnConsoleControl, FALSE);
    target.store(nullptr);
}

}  // namespace hold
