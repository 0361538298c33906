#include <winnls.h>

#include <cstring>
#include <optional>
#include <string>

#include <varnel/codepage.h>
#include <varnel/exception_boundary.h>
#include <text_codec.h>
#include <winbase.h>

namespace {

constexpr DWORD kMultiByteFlags = MB_PRECOMPOSED | MB_COMPOSITE | MB_USEGLYPHCHARS | MB_ERR_INVALID_CHARS;
constexpr DWORD kWideCharFlags =
    WC_DISCARDNS | WC_SEPCHARS | WC_DEFAULTCHAR | WC_COMPOSITECHECK | WC_NO_BEST_FIT_CHARS;

int Fail(DWORD error)
{
    SetLastError(error);
    return 0;
}

std::size_t WideLength(LPCWSTR text)
{
    std::size_t length = 0;
    while (text[length]) ++length;
    return length;
}

// Copies a result out with Windows's size rules.
template <typename Unit>
int Deliver(const std::basic_string<Unit>& result, Unit* dst, int dstLen)
{
    if (result.size() > static_cast<std::size_t>(INT32_MAX)) return Fail(ERROR_INVALID_PARAMETER);
    int needed = static_cast<int>(result.size());
    if (dstLen == 0) return needed;
    if (needed > dstLen) return Fail(ERROR_INSUFFICIENT_BUFFER);
    std::memcpy(dst, result.data(), result.size() * sizeof(Unit));
    return needed;
}

}  // namespace

int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR src, int srcLen, LPWSTR dst, int dstLen)
try {
    if (!src || srcLen == 0 || srcLen < -1 || dstLen < 0 || (dstLen > 0 && !dst))
        return Fail(ERROR_INVALID_PARAMETER);
    codePage = win32::nls::ResolveCodePage(codePage);
    const char* charset = win32::nls::IconvName(codePage);
    if (!charset) return Fail(ERROR_INVALID_PARAMETER);
    bool utf8 = codePage == CP_UTF8;
    if ((flags & ~kMultiByteFlags) != 0 || (utf8 && (flags & ~MB_ERR_INVALID_CHARS) != 0))
        return Fail(ERROR_INVALID_FLAGS);

    std::size_t length = srcLen == -1 ? std::strlen(src) + 1 : static_cast<std::size_t>(srcLen);
    std::string_view bytes(src, length);
    bool strict = (flags & MB_ERR_INVALID_CHARS) != 0;
    auto result = utf8 ? win32::nls::DecodeUtf8(bytes, strict)
                       : win32::nls::DecodeWithIconv(charset, bytes, strict);
    if (!result) return Fail(strict ? ERROR_NO_UNICODE_TRANSLATION : ERROR_INVALID_PARAMETER);
    return Deliver(*result, reinterpret_cast<char16_t*>(dst), dstLen);
} catch (...) {
    return Fail(win32::ErrorFromCaughtException());
}

int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR src, int srcLen, LPSTR dst, int dstLen,
                        LPCSTR defChar, BOOL* usedDef)
try {
    if (!src || srcLen == 0 || srcLen < -1 || dstLen < 0 || (dstLen > 0 && !dst))
        return Fail(ERROR_INVALID_PARAMETER);
    codePage = win32::nls::ResolveCodePage(codePage);
    const char* charset = win32::nls::IconvName(codePage);
    if (!charset) return Fail(ERROR_INVALID_PARAMETER);
    bool utf8 = codePage == CP_UTF8;
    if (utf8 && (defChar || usedDef)) return Fail(ERROR_INVALID_PARAMETER);
    if (utf8 ? (flags & ~WC_ERR_INVALID_CHARS) != 0 : (flags & ~kWideCharFlags) != 0)
        return Fail(ERROR_INVALID_FLAGS);

    std::size_t length = srcLen == -1 ? WideLength(src) + 1 : static_cast<std::size_t>(srcLen);
    std::u16string_view text(src, length);
    bool strict = (flags & WC_ERR_INVALID_CHARS) != 0;
    auto result = utf8 ? win32::nls::EncodeUtf8(text, strict)
                       : win32::nls::EncodeWithIconv(charset, text, defChar && *defChar ? defChar : "?");
    if (!result) return Fail(strict ? ERROR_NO_UNICODE_TRANSLATION : ERROR_INVALID_PARAMETER);
    int written = Deliver(result->bytes, dst, dstLen);
    if (written && usedDef) *usedDef = result->usedDefault ? TRUE : FALSE;
    return written;
} catch (...) {
    return Fail(win32::ErrorFromCaughtException());
}
