#include "allocation_watch.h"

#include <atomic>
#include <cstdlib>
#include <limits>
#include <new>

namespace allocation_watch {
namespace {

constexpr std::size_t kForms = 4;
constexpr std::size_t kNoLimit = std::numeric_limits<std::size_t>::max();

// Constant-initialized, so allocations made before main find them ready.
std::atomic<bool> watching{false};
std::atomic<std::size_t> largest[kForms];
std::atomic<std::size_t> limit[kForms] = {kNoLimit, kNoLimit, kNoLimit, kNoLimit};

// This thread's countdown to the allocation that fails; 0 when none is chosen.
thread_local std::size_t allocationsToFailure = 0;
thread_local bool nthFailed = false;

std::size_t Index(Form form) { return static_cast<std::size_t>(form); }

bool IsChosenToFail()
{
    if (allocationsToFailure == 0 || --allocationsToFailure != 0) return false;
    nthFailed = true;
    return true;
}

// Records the request; false when the test wants it to fail.
bool Admit(Form form, std::size_t bytes)
{
    if (!watching.load(std::memory_order_acquire)) return true;
    std::atomic<std::size_t>& most = largest[Index(form)];
    std::size_t seen = most.load(std::memory_order_relaxed);
    while (seen < bytes && !most.compare_exchange_weak(seen, bytes, std::memory_order_relaxed)) {
    }
    return bytes <= limit[Index(form)].load(std::memory_order_relaxed) && !IsChosenToFail();
}

void* Obtain(std::size_t bytes, std::size_t alignment)
{
    if (bytes == 0) bytes = 1;
    if (alignment <= alignof(std::max_align_t)) return std::malloc(bytes);
    // aligned_alloc wants a multiple of the alignment.
    const std::size_t rounded = (bytes + alignment - 1) / alignment * alignment;
    if (rounded < bytes) return nullptr;
    return std::aligned_alloc(alignment, rounded);
}

void* Throwing(Form form, std::size_t bytes, std::size_t alignment = 0)
{
    if (!Admit(form, bytes)) throw std::bad_alloc();
    void* memory = Obtain(bytes, alignment);
    if (!memory) throw std::bad_alloc();
    return memory;
}

void* NoThrow(Form form, std::size_t bytes, std::size_t alignment = 0) noexcept
{
    if (!Admit(form, bytes)) return nullptr;
    return Obtain(bytes, alignment);
}

}  // namespace

Watch::Watch()
{
    for (std::size_t form = 0; form < kForms; ++form) {
        largest[form].store(0, std::memory_order_relaxed);
        limit[form].store(kNoLimit, std::memory_order_relaxed);
    }
    watching.store(true, std::memory_order_release);
}

Watch::~Watch()
{
    watching.store(false, std::memory_order_release);
    for (auto& most : limit) most.store(kNoLimit, std::memory_order_relaxed);
    allocationsToFailure = 0;
}

void Watch::FailAbove(Form form, std::size_t bytes) { limit[Index(form)].store(bytes, std::memory_order_relaxed); }

std::size_t Watch::Largest(Form form) const { return largest[Index(form)].load(std::memory_order_relaxed); }

void Watch::FailNthOnThisThread(std::size_t count)
{
    nthFailed = false;
    allocationsToFailure = count;
}

bool Watch::NthFailed() const { return nthFailed; }

void Watch::StopFailing() { allocationsToFailure = 0; }

}  // namespace allocation_watch

using allocation_watch::Form;
using allocation_watch::NoThrow;
using allocation_watch::Throwing;

void* operator new(std::size_t bytes) { return Throwing(Form::Single, bytes); }
void* operator new[](std::size_t bytes) { return Throwing(Form::Array, bytes); }
void* operator new(std::size_t bytes, const std::nothrow_t&) noexcept { return NoThrow(Form::SingleNoThrow, bytes); }
void* operator new[](std::size_t bytes, const std::nothrow_t&) noexcept { return NoThrow(Form::ArrayNoThrow, bytes); }
void* operator new(std::size_t bytes, std::align_val_t alignment)
{
    return Throwing(Form::Single, bytes, static_cast<std::size_t>(alignment));
}
void* operator new[](std::size_t bytes, std::align_val_t alignment)
{
    return Throwing(Form::Array, bytes, static_cast<std::size_t>(alignment));
}
void* operator new(std::size_t bytes, std::align_val_t alignment, const std::nothrow_t&) noexcept
{
    return NoThrow(Form::SingleNoThrow, bytes, static_cast<std::size_t>(alignment));
}
void* operator new[](std::size_t bytes, std::align_val_t alignment, const std::nothrow_t&) noexcept
{
    return NoThrow(Form::ArrayNoThrow, bytes, static_cast<std::size_t>(alignment));
}

void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete[](void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete(void* memory, const std::nothrow_t&) noexcept { std::free(memory); }
void operator delete[](void* memory, const std::nothrow_t&) noexcept { std::free(memory); }
void operator delete(void* memory, std::align_val_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::align_val_t) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t, std::align_val_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t, std::align_val_t) noexcept { std::free(memory); }
void operator delete(void* memory, std::align_val_t, const std::nothrow_t&) noexcept { std::free(memory); }
void operator delete[](void* memory, std::align_val_t, const std::nothrow_t&) noexcept { std::free(memory); }
