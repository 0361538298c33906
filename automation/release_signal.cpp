#include "release_signal.h"

namespace hold {

void ReleaseSignal::Raise()
{
    std::lock_guard lock(mutex_);
    raised_ = true;
    // Under the lock: a waiter may destroy the signal as soon as it sees the change.
    changed_.notify_all();
}

void ReleaseSignal::Wait()
{
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return raised_; });
}

bool ReleaseSignal::WaitFor(std::chrono::milliseconds limit)
{
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, limit, [this] { return raised_; });
}

void ReleaseSignal::MarkReleased()
{
    std::lock_guard lock(mutex_);
    released_ = true;
    changed_.notify_all();
}

bool ReleaseSignal::WaitReleased(std::chrono::milliseconds limit)
{
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, limit, [this] { return released_; });
}

void ReleaseSignal::Park()
{
    std::unique_lock lock(mutex_);
    for (;;) changed_.wait(lock);
}

}  // namespace hold
