#include "failure_text.h"

#include <winbase.h>

#include <cstdio>

namespace hold {

std::string HresultInWords(HRESULT hr)
{
    char text[512];
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                  static_cast<DWORD>(hr), 0, text, sizeof text, nullptr);
    if (length == 0) return "unknown error";
    std::string words(text, length);
    // The hex code follows in parentheses, so the sentence's own end goes.
    while (!words.empty() && (words.back() == '\n' || words.back() == '\r' || words.back() == ' ')) words.pop_back();
    if (!words.empty() && words.back() == '.') words.pop_back();
    return words;
}

std::string FailureLine(std::string_view what, HRESULT hr)
{
    char code[16];
    std::snprintf(code, sizeof code, "0x%08X", static_cast<unsigned>(hr));
    std::string line = "automation-hold: ";
    line.append(what).append(": ").append(HresultInWords(hr)).append(" (").append(code).append(")\n");
    return line;
}

void ReportFailure(std::string_view what, HRESULT hr)
{
    std::fflush(stdout);  // keeps the two streams in order where they share a terminal
    std::fputs(FailureLine(what, hr).c_str(), stderr);
}

}  // namespace hold
