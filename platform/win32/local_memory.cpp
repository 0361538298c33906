#include <winbase.h>

#include <cstdlib>

HLOCAL LocalFree(HLOCAL block)
{
    std::free(block);
    return nullptr;
}
