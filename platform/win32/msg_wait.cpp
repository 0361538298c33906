// Waiting for processes and the thread's queue at once.
#include "message_queue.h"

#include <handle_table.h>
#include <synchapi.h>
#include <winbase.h>
#include <winuser.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <memory>
#include <optional>
#include <vector>

#include <poll.h>

namespace {

using Clock = std::chrono::steady_clock;

constexpr DWORD kPostedInput = QS_POSTMESSAGE | QS_ALLPOSTMESSAGE | QS_SENDMESSAGE;
// A child without a pidfd is looked at this often.
constexpr int kPollingSliceMs = 10;

std::optional<std::vector<std::shared_ptr<win32::ChildProcess>>> ProcessesOf(DWORD count, const HANDLE* handles)
{
    std::vector<std::shared_ptr<win32::ChildProcess>> processes;
    for (DWORD i = 0; i < count; ++i) {
        auto object = win32::handles::Find(handles[i]);
        if (!object || !object->process) return std::nullopt;
        processes.push_back(object->process);
    }
    return processes;
}

int MillisecondsLeft(std::optional<Clock::time_point> deadline)
{
    if (!deadline) return -1;
    auto left = std::chrono::ceil<std::chrono::milliseconds>(*deadline - Clock::now()).count();
    return static_cast<int>(std::clamp<long long>(left, 0, INT_MAX));
}

}  // namespace

DWORD MsgWaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD milliseconds, DWORD wakeMask)
{
    if (waitAll || (count > 0 && !handles)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return WAIT_FAILED;
    }
    auto processes = ProcessesOf(count, handles);
    if (!processes) {
        SetLastError(ERROR_INVALID_HANDLE);
        return WAIT_FAILED;
    }
    auto& queue = win32::user::CurrentQueue();
    const bool wantsInput = (wakeMask & kPostedInput) != 0;
    std::optional<Clock::time_point> deadline;
    if (milliseconds != INFINITE) deadline = Clock::now() + std::chrono::milliseconds(milliseconds);

    for (;;) {
        for (DWORD i = 0; i < count; ++i)
            if ((*processes)[i]->Wait(0) == win32::WaitOutcome::Ended) return WAIT_OBJECT_0 + i;
        if (wantsInput && !queue.Empty()) return WAIT_OBJECT_0 + count;
        int timeout = MillisecondsLeft(deadline);
        if (timeout == 0) return WAIT_TIMEOUT;

        std::vector<pollfd> watched;
        for (const auto& process : *processes) {
            if (process->WaitDescriptor() >= 0) watched.push_back({process->WaitDescriptor(), POLLIN, 0});
            else timeout = timeout < 0 ? kPollingSliceMs : std::min(timeout, kPollingSliceMs);
        }
        if (wantsInput) watched.push_back({queue.WaitDescriptor(), POLLIN, 0});
        if (poll(watched.data(), watched.size(), timeout) < 0 && errno != EINTR) {
            SetLastError(ERROR_GEN_FAILURE);
            return WAIT_FAILED;
        }
    }
}
