#include "apartment.h"
#include "work_queue.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace com {
namespace {

class ThreadWorkQueue final : public WorkQueue, public std::enable_shared_from_this<ThreadWorkQueue> {
public:
    ~ThreadWorkQueue() override { Close(); }

    // The thread keeps the queue alive while it runs, for work that closes it.
    void Start(std::weak_ptr<Apartment> apartment)
    {
        thread_ = std::thread([self = shared_from_this(), apartment = std::move(apartment)] { self->Run(apartment); });
    }

    bool Post(Work work) override
    {
        {
            std::lock_guard lock(mutex_);
            if (closed_) return false;
            pending_.push_back(std::move(work));
        }
        wake_.notify_one();
        return true;
    }

    void Close() override
    {
        std::deque<Work> dropped;
        {
            std::lock_guard lock(mutex_);
            closed_ = true;
            dropped.swap(pending_);
        }
        wake_.notify_one();
        if (!thread_.joinable()) return;
        // Work that ends the apartment itself cannot wait for its own thread.
        if (thread_.get_id() == std::this_thread::get_id()) thread_.detach();
        else thread_.join();
    }

private:
    void Run(const std::weak_ptr<Apartment>& apartment)
    {
        JoinApartmentImplicitly(apartment);
        for (;;) {
            Work work;
            {
                std::unique_lock lock(mutex_);
                wake_.wait(lock, [this] { return closed_ || !pending_.empty(); });
                if (closed_) return;
                work = std::move(pending_.front());
                pending_.pop_front();
            }
            work();
        }
    }

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Work> pending_;
    bool closed_ = false;
    std::thread thread_;
};

}  // namespace

std::shared_ptr<WorkQueue> MakeThreadWorkQueue(std::weak_ptr<Apartment> apartment)
{
    try {
        auto queue = std::make_shared<ThreadWorkQueue>();
        queue->Start(std::move(apartment));
        return queue;
    } catch (const std::exception&) {
        return nullptr;  // no thread or no memory to be had
    }
}

}  // namespace com
