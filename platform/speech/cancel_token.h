// A request's stop signal, which a waiting thread can sleep on.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace speech {

class CancelToken {
public:
    void Cancel()
    {
        {
            std::lock_guard lock(mutex_);
            cancelled_.store(true, std::memory_order_release);
        }
        changed_.notify_all();
    }
    bool IsCancelled() const { return cancelled_.load(std::memory_order_acquire); }
    // Waits until cancelled or the time is up; true when cancelled.
    bool WaitFor(std::chrono::microseconds timeout)
    {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, timeout, [&] { return IsCancelled(); });
    }

private:
    std::atomic<bool> cancelled_{false};
    std::mutex mutex_;
    std::condition_variable changed_;
};

}  // namespace speech
