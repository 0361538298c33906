#include <objbase.h>

#include <cstdlib>

namespace {

// Larger requests fail cleanly instead of reaching the system allocator (which the
// sanitizers treat as a fault); nothing the programs hand across interfaces is near it.
constexpr SIZE_T kLargestBlock = SIZE_T{1} << 32;

}  // namespace

LPVOID CoTaskMemAlloc(SIZE_T size)
{
    if (size > kLargestBlock) return nullptr;
    return std::malloc(size ? size : 1);
}

LPVOID CoTaskMemRealloc(LPVOID block, SIZE_T size)
{
    if (!block) return CoTaskMemAlloc(size);
    if (size == 0) {
        std::free(block);
        return nullptr;
    }
    if (size > kLargestBlock) return nullptr;
    return std::realloc(block, size);
}

void CoTaskMemFree(LPVOID block) { std::free(block); }
