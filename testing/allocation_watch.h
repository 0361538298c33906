// Test support: a test program that links `allocation_watch` replaces the global
// allocation functions, so a test can see the largest request of each form, make
// larger ones fail, or make one chosen allocation of its thread fail.
#pragma once

#include <cstddef>

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
};

}  // namespace allocation_watch
