#include <winbase.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

#include <system_messages.h>
#include <varnel/exception_boundary.h>

namespace {

constexpr DWORD kMaxAllocation = 64 * 1024;  // Windows' own limit for an allocated text

bool IsSupportedLanguage(DWORD languageId)
{
    const DWORD primary = languageId & 0x3FFu;
    return primary == LANG_NEUTRAL || primary == LANG_ENGLISH;
}

DWORD Fail(DWORD error)
{
    SetLastError(error);
    return 0;
}

DWORD CopyToBuffer(const std::string& text, LPSTR buffer, DWORD size)
{
    if (size <= text.size()) return Fail(ERROR_INSUFFICIENT_BUFFER);
    if (!buffer) return Fail(ERROR_INVALID_PARAMETER);
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return static_cast<DWORD>(text.size());
}

DWORD CopyToNewBlock(const std::string& text, LPSTR* out, DWORD size)
{
    if (!out) return Fail(ERROR_NOT_ENOUGH_MEMORY);
    *out = nullptr;
    const SIZE_T bytes = std::max<SIZE_T>(text.size() + 1, std::min(size, kMaxAllocation));
    auto* block = static_cast<LPSTR>(std::malloc(bytes));  // LocalFree's kind of block
    if (!block) return Fail(ERROR_NOT_ENOUGH_MEMORY);
    std::memcpy(block, text.c_str(), text.size() + 1);
    *out = block;
    return static_cast<DWORD>(text.size());
}

}  // namespace

DWORD FormatMessageA(DWORD flags, LPCVOID source, DWORD messageId, DWORD languageId, LPSTR buffer, DWORD size,
                     va_list* arguments)
try {
    const bool allocate = flags & FORMAT_MESSAGE_ALLOCATE_BUFFER;
    if (allocate && buffer) *reinterpret_cast<LPSTR*>(buffer) = nullptr;
    // Only the system's table is here: no texts from strings, modules or line widths.
    const bool fromString = flags & FORMAT_MESSAGE_FROM_STRING;
    const bool fromModule = (flags & FORMAT_MESSAGE_FROM_HMODULE) && (source || !(flags & FORMAT_MESSAGE_FROM_SYSTEM));
    if (fromString || fromModule || (flags & FORMAT_MESSAGE_MAX_WIDTH_MASK)) return Fail(ERROR_CALL_NOT_IMPLEMENTED);
    if (!(flags & FORMAT_MESSAGE_FROM_SYSTEM)) return Fail(ERROR_INVALID_PARAMETER);
    if (!IsSupportedLanguage(languageId)) return Fail(ERROR_RESOURCE_LANG_NOT_FOUND);

    auto found = win32::SystemMessageText(messageId);
    if (!found) return Fail(ERROR_MR_MID_NOT_FOUND);
    const bool hasInserts = found->find('%') != std::string_view::npos;
    if (hasInserts && !(flags & FORMAT_MESSAGE_IGNORE_INSERTS))
        return Fail(arguments ? ERROR_CALL_NOT_IMPLEMENTED : ERROR_INVALID_PARAMETER);

    const std::string text = std::string(*found) + "\r\n";
    return allocate ? CopyToNewBlock(text, reinterpret_cast<LPSTR*>(buffer), size) : CopyToBuffer(text, buffer, size);
} catch (...) {
    return Fail(win32::ErrorFromCaughtException());
}
