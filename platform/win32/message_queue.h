// The per-thread message queues (platform-internal).
#pragma once

#include <winuser.h>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

namespace win32::user {

// A thread's queue: messages in posting order, and an eventfd that polls readable
// exactly while the queue is not empty, so waiters of any kind (GetMessageA, poll
// loops, a toolkit's socket notifier) see it.
class ThreadQueue {
public:
    ThreadQueue();
    ~ThreadQueue();
    ThreadQueue(const ThreadQueue&) = delete;
    ThreadQueue& operator=(const ThreadQueue&) = delete;

    void Post(const MSG& message);
    // The first message the filter accepts, taken off the queue when `remove`.
    // *seen gets the count of messages ever posted, for WaitForPostAfter.
    std::optional<MSG> Take(const std::function<bool(const MSG&)>& accepts, bool remove,
                            std::uint64_t* seen = nullptr);
    // Blocks until a message is posted after the count `seen`.
    void WaitForPostAfter(std::uint64_t seen);
    bool Empty();
    // Drops every message for `window`.
    void Drop(HWND window);
    int WaitDescriptor() const { return eventFd_; }

private:
    void SignalLocked();
    void ClearSignalWhenEmptyLocked();

    std::mutex mutex_;
    std::condition_variable posted_;
    std::deque<MSG> messages_;
    std::uint64_t postCount_ = 0;
    int eventFd_ = -1;
    bool signalled_ = false;
};

// The calling thread's queue, made on first use and ended with the thread.
ThreadQueue& CurrentQueue();
// A live thread's queue, if it has one.
std::shared_ptr<ThreadQueue> QueueOfThread(DWORD threadId);
// Milliseconds on the monotonic clock, as MSG::time carries them.
DWORD TickCount();

}  // namespace win32::user
