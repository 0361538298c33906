// Test support: this test program replaces the global allocation functions, so
// a test can see the largest request of each form and make larger ones fail.
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
};

}  // namespace allocation_watch
