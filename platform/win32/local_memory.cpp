#include <winbase.h>

#include <cstdlib>

HLOCAL LocalAlloc(UINT flags, SIZE_T bytes)
{
    if (flags & ~LMEM_ZEROINIT) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    // A zero-byte request still yields a block of its own, as on Windows.
    void* block = (flags & LMEM_ZEROINIT) ? std::calloc(bytes ? bytes : 1, 1) : std::malloc(bytes ? bytes : 1);
    if (!block) SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return block;
}

HLOCAL LocalFree(HLOCAL block)
{
    std::free(block);
    return nullptr;
}
