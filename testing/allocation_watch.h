// Test support: a test program that links `allocation_watch` replaces the global
// allocation functions, so a test can see the largest request of each form, make
// larger ones fail, or make one chosen allocation of its thread fail.
#pragma once

#include <cstddef>
#include <optional>

namespace allocation_watch {

enum class Form { Single, Array, SingleNoThrow, ArrayNoThrow };

// For its lifetime, records requests and applies the limits set on it; the
// allocation functions behave as the standard ones again afterwards.
class Watch {
public:
    Watch();
    ~Watch();
    Watch(const Watch&) = delete;
    Watch& operator=(const Watch&) = delete;

    // Requests of `form` above `bytes` fail: bad_alloc, or nullptr for no-throw forms.
    void FailAbove(Form form, std::size_t bytes);
    std::size_t Largest(Form form) const;

    // The `count`th allocation this thread makes from now fails (1: the next one);
    // the ones after it succeed again. Other threads are not touched, so the
    // failure lands at the same place on every run.
    void FailNthOnThisThread(std::size_t count);
    // Whether the allocation chosen by FailNthOnThisThread has come and failed.
    bool NthFailed() const;
    // This thread's allocations succeed again from here on, whether or not the
    // chosen one has come (so a test can check what the attempt left).
    void StopFailing();
};

// Runs `attempt(watch)` with its first allocation on this thread failing, then
// with its second, and so on, until an attempt makes no allocation that fails
// (`attempt` calls the code under test, asks watch.NthFailed() whether it ran
// short, may StopFailing() to check what it left, and checks what it reported). The number of
// allocations of that last attempt; nullopt when `most` attempts all ran short.
template <class Attempt>
std::optional<std::size_t> SweepAllocations(Attempt&& attempt, std::size_t most = 2000)
{
    Watch watch;
    for (std::size_t nth = 1; nth <= most; ++nth) {
        watch.FailNthOnThisThread(nth);
        attempt(watch);
        const bool ranShort = watch.NthFailed();
        watch.FailNthOnThisThread(0);
        if (!ranShort) return nth - 1;
    }
    return std::nullopt;
}

}  // namespace allocation_watch
