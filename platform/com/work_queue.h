// Where a serving apartment's requests run (platform-internal).
#pragma once

#include <windef.h>
#include <winerror.h>

#include <functional>
#include <memory>

namespace com {

class Apartment;

using Work = std::function<void()>;

// Work posted from any thread runs on the apartment's thread, in order.
// Work holds no COM references, so dropping it on any thread is safe.
class WorkQueue {
public:
    virtual ~WorkQueue() = default;
    // False once the queue is closed; the work is dropped then.
    virtual bool Post(Work work) = 0;
    // Drops what is queued and runs nothing more; returns once nothing runs.
    // Called on the apartment's thread.
    virtual void Close() = 0;
};

// For a single-threaded apartment, made on its thread: each piece of work runs
// inside whatever message loop that thread runs, through a message-only
// window of its own. Null (and hr set) when no window can be made.
std::shared_ptr<WorkQueue> MakeWindowWorkQueue(HRESULT& hr);
// For the multithreaded apartment: a runtime thread that counts as one of its threads.
std::shared_ptr<WorkQueue> MakeThreadWorkQueue(std::weak_ptr<Apartment> apartment);

}  // namespace com
