// The loader's memory requests, behind one table so tests can make them fail.
#pragma once

#include <windef.h>

#include <cstddef>
#include <string>

namespace textload {

struct MemoryCalls {
    // Room for `capacity` bytes of kept text; false when memory ran out.
    bool (*reserveKept)(std::string& kept, std::size_t capacity);
    // new WCHAR[units], or nullptr when memory ran out.
    WCHAR* (*newWideBuffer)(std::size_t units);
};

const MemoryCalls& Memory();

// Puts `replacement` in force for the life of the object (tests only).
class ScopedMemoryOverride {
public:
    explicit ScopedMemoryOverride(const MemoryCalls& replacement);
    ~ScopedMemoryOverride();
    ScopedMemoryOverride(const ScopedMemoryOverride&) = delete;
    ScopedMemoryOverride& operator=(const ScopedMemoryOverride&) = delete;

private:
    MemoryCalls table_;
    const MemoryCalls* previous_;
};

}  // namespace textload
