// What ends a hold: standard input's end or a console control event, raised on
// any thread. The main thread, the object's apartment, waits for it, releases
// the object and then says so.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace hold {

class ReleaseSignal {
public:
    void Raise();
    void Wait();
    // True once raised; false when `limit` passed first.
    bool WaitFor(std::chrono::milliseconds limit);

    // The object is released and COM uninitialised.
    void MarkReleased();
    bool WaitReleased(std::chrono::milliseconds limit);

    // Blocks the calling thread for good: for a control handler whose return would
    // end the process before the main thread does.
    [[noreturn]] void Park();

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool raised_ = false;
    bool released_ = false;
};

}  // namespace hold
