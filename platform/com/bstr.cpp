#include <oleauto.h>

#include <cstdint>
#include <cstring>

namespace {

using Prefix = std::uint32_t;
// Keeps prefix + text + terminator within what the prefix and an int can count.
constexpr UINT kLargestByteLength = 0x7FFFFFF0u;

char* BlockOf(BSTR bstr) { return reinterpret_cast<char*>(bstr) - sizeof(Prefix); }

// A BSTR of `bytes` bytes copied from data (zeroed when data is null), followed by
// zeros up to and including a whole zero unit: with an odd count the last unit is
// half text, and whoever reads units up to a zero one must still find it.
BSTR AllocateBytes(const void* data, UINT bytes)
{
    if (bytes > kLargestByteLength) return nullptr;
    const UINT zeros = (bytes & 1) + static_cast<UINT>(sizeof(OLECHAR));
    auto* block = static_cast<char*>(CoTaskMemAlloc(sizeof(Prefix) + bytes + zeros));
    if (!block) return nullptr;
    Prefix length = bytes;
    std::memcpy(block, &length, sizeof length);
    char* text = block + sizeof(Prefix);
    if (data) std::memcpy(text, data, bytes);
    else std::memset(text, 0, bytes);
    std::memset(text + bytes, 0, zeros);
    return reinterpret_cast<BSTR>(text);
}

UINT UnitsUpToZero(const OLECHAR* text)
{
    UINT length = 0;
    while (text[length]) ++length;
    return length;
}

}  // namespace

BSTR SysAllocString(const OLECHAR* text)
{
    if (!text) return nullptr;
    return SysAllocStringLen(text, UnitsUpToZero(text));
}

BSTR SysAllocStringLen(const OLECHAR* text, UINT length)
{
    if (length > kLargestByteLength / sizeof(OLECHAR)) return nullptr;
    return AllocateBytes(text, length * static_cast<UINT>(sizeof(OLECHAR)));
}

BSTR SysAllocStringByteLen(LPCSTR text, UINT bytes) { return AllocateBytes(text, bytes); }

INT SysReAllocString(BSTR* bstr, const OLECHAR* text)
{
    if (!bstr) return FALSE;
    if (!text) {
        SysFreeString(*bstr);
        *bstr = nullptr;
        return TRUE;
    }
    return SysReAllocStringLen(bstr, text, UnitsUpToZero(text));
}

INT SysReAllocStringLen(BSTR* bstr, const OLECHAR* text, UINT length)
{
    if (!bstr) return FALSE;
    // Copy first: text may point into the old string.
    BSTR replacement = SysAllocStringLen(text, length);
    if (!replacement) return FALSE;
    SysFreeString(*bstr);
    *bstr = replacement;
    return TRUE;
}

void SysFreeString(BSTR bstr)
{
    if (bstr) CoTaskMemFree(BlockOf(bstr));
}

UINT SysStringByteLen(BSTR bstr)
{
    if (!bstr) return 0;
    Prefix length;
    std::memcpy(&length, BlockOf(bstr), sizeof length);
    return length;
}

UINT SysStringLen(BSTR bstr) { return SysStringByteLen(bstr) / sizeof(OLECHAR); }
