#include "text_memory.h"

#include <new>
#include <stdexcept>

namespace textload {
namespace {

bool ReserveKept(std::string& kept, std::size_t capacity)
{
    try {
        kept.reserve(capacity);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    } catch (const std::length_error&) {
        return false;
    }
}

WCHAR* NewWideBuffer(std::size_t units) { return new (std::nothrow) WCHAR[units]; }

const MemoryCalls kRealCalls{&ReserveKept, &NewWideBuffer};
const MemoryCalls* current = &kRealCalls;

}  // namespace

const MemoryCalls& Memory() { return *current; }

ScopedMemoryOverride::ScopedMemoryOverride(const MemoryCalls& replacement)
    : table_(replacement), previous_(current)
{
    current = &table_;
}

ScopedMemoryOverride::~ScopedMemoryOverride() { current = previous_; }

}  // namespace textload
