#include "message_queue.h"

#include <processthreadsapi.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <ctime>
#include <unordered_map>

#include <sys/eventfd.h>
#include <unistd.h>

namespace win32::user {
namespace {

// Live threads' queues by thread id. Never destroyed: threads may end while the
// process exits.
struct QueueDirectory {
    std::mutex mutex;
    std::unordered_map<DWORD, std::shared_ptr<ThreadQueue>> queues;
};

QueueDirectory& Directory()
{
    static auto* directory = new QueueDirectory;
    return *directory;
}

// Owns the calling thread's queue and takes it out of the directory when the
// thread ends.
struct ThreadQueueOwner {
    DWORD thread = GetCurrentThreadId();
    std::shared_ptr<ThreadQueue> queue = std::make_shared<ThreadQueue>();

    ThreadQueueOwner()
    {
        auto& directory = Directory();
        std::lock_guard lock(directory.mutex);
        directory.queues[thread] = queue;
    }
    ~ThreadQueueOwner()
    {
        auto& directory = Directory();
        std::lock_guard lock(directory.mutex);
        directory.queues.erase(thread);
    }
};

}  // namespace

ThreadQueue::ThreadQueue() : eventFd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

ThreadQueue::~ThreadQueue()
{
    if (eventFd_ >= 0) close(eventFd_);
}

void ThreadQueue::Post(const MSG& message)
{
    {
        std::lock_guard lock(mutex_);
        messages_.push_back(message);
        ++postCount_;
        SignalLocked();
    }
    posted_.notify_all();
}

std::optional<MSG> ThreadQueue::Take(const std::function<bool(const MSG&)>& accepts, bool remove,
                                     std::uint64_t* seen)
{
    std::lock_guard lock(mutex_);
    if (seen) *seen = postCount_;
    auto found = std::find_if(messages_.begin(), messages_.end(), accepts);
    if (found == messages_.end()) return std::nullopt;
    MSG message = *found;
    if (remove) {
        messages_.erase(found);
        ClearSignalWhenEmptyLocked();
    }
    return message;
}

void ThreadQueue::WaitForPostAfter(std::uint64_t seen)
{
    std::unique_lock lock(mutex_);
    posted_.wait(lock, [&] { return postCount_ != seen; });
}

bool ThreadQueue::Empty()
{
    std::lock_guard lock(mutex_);
    return messages_.empty();
}

void ThreadQueue::Drop(HWND window)
{
    std::lock_guard lock(mutex_);
    std::erase_if(messages_, [window](const MSG& m) { return m.hwnd == window; });
    ClearSignalWhenEmptyLocked();
}

void ThreadQueue::SignalLocked()
{
    if (signalled_ || eventFd_ < 0) return;
    const std::uint64_t one = 1;
    while (write(eventFd_, &one, sizeof one) < 0 && errno == EINTR) {
    }
    signalled_ = true;
}

void ThreadQueue::ClearSignalWhenEmptyLocked()
{
    if (!messages_.empty() || !signalled_) return;
    std::uint64_t count = 0;
    while (read(eventFd_, &count, sizeof count) < 0 && errno == EINTR) {
    }
    signalled_ = false;
}

ThreadQueue& CurrentQueue()
{
    thread_local ThreadQueueOwner owner;
    return *owner.queue;
}

std::shared_ptr<ThreadQueue> QueueOfThread(DWORD threadId)
{
    auto& directory = Directory();
    std::lock_guard lock(directory.mutex);
    auto found = directory.queues.find(threadId);
    return found == directory.queues.end() ? nullptr : found->second;
}

DWORD TickCount()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<DWORD>(static_cast<std::uint64_t>(now.tv_sec) * 1000u + static_cast<std::uint64_t>(now.tv_nsec) / 1000000u);
}

int QueueWaitDescriptor() { return CurrentQueue().WaitDescriptor(); }

}  // namespace win32::user
