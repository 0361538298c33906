#include "failure_words.h"

#include <winbase.h>

#include <cstdio>

std::string FailureInWords(HRESULT hr)
{
    char text[512];
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                  static_cast<DWORD>(hr), MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), text,
                                  sizeof text, nullptr);
    std::string words = length ? std::string(text, length) : "Unknown error";
    // The code follows in parentheses, so the sentence's own end goes.
    while (!words.empty() && (words.back() == '\n' || words.back() == '\r' || words.back() == ' ')) words.pop_back();
    if (!words.empty() && words.back() == '.') words.pop_back();
    char code[16];
    std::snprintf(code, sizeof code, "0x%08X", static_cast<unsigned>(hr));
    return words + " (" + code + ")";
}

std::string Win32FailureInWords(DWORD error) { return FailureInWords(HRESULT_FROM_WIN32(error)); }
