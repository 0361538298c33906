// Code pages and the conversion between ANSI/UTF-8 text and UTF-16.
#pragma once

#include <windef.h>

inline constexpr UINT CP_ACP = 0;
inline constexpr UINT CP_OEMCP = 1;
inline constexpr UINT CP_THREAD_ACP = 3;
inline constexpr UINT CP_UTF8 = 65001;

inline constexpr DWORD MB_PRECOMPOSED = 0x1;
inline constexpr DWORD MB_COMPOSITE = 0x2;
inline constexpr DWORD MB_USEGLYPHCHARS = 0x4;
inline constexpr DWORD MB_ERR_INVALID_CHARS = 0x8;

inline constexpr DWORD WC_DISCARDNS = 0x10;
inline constexpr DWORD WC_SEPCHARS = 0x20;
inline constexpr DWORD WC_DEFAULTCHAR = 0x40;
inline constexpr DWORD WC_ERR_INVALID_CHARS = 0x80;
inline constexpr DWORD WC_COMPOSITECHECK = 0x200;
inline constexpr DWORD WC_NO_BEST_FIT_CHARS = 0x400;

// The ANSI code page: the character set named by the locale in LC_ALL, LC_CTYPE
// or LANG (the first one set), e.g. 936 for zh_CN.GBK; 65001 for UTF-8 locales,
// for C/POSIX and when the locale names no character set. Read once per process.
UINT GetACP();
// The OEM code page; here the same as the ANSI one.
UINT GetOEMCP();
BOOL IsValidCodePage(UINT codePage);

// Windows semantics: srcLen -1 converts up to and including the terminating
// zero; dstLen 0 asks for the size needed. 0 and GetLastError on failure
// (ERROR_INSUFFICIENT_BUFFER, ERROR_NO_UNICODE_TRANSLATION with
// MB_ERR_INVALID_CHARS, ERROR_INVALID_PARAMETER, ERROR_INVALID_FLAGS). Without
// MB_ERR_INVALID_CHARS an invalid byte sequence becomes U+FFFD.
int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR src, int srcLen, LPWSTR dst, int dstLen);
// A character the code page cannot hold becomes `defChar` ("?" when null) and
// sets *usedDef; for CP_UTF8 both must be null, and a lone surrogate becomes
// U+FFFD (or fails with ERROR_NO_UNICODE_TRANSLATION under WC_ERR_INVALID_CHARS).
int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR src, int srcLen, LPSTR dst, int dstLen,
                        LPCSTR defChar, BOOL* usedDef);
