#include <stdlib.h>

namespace msvcrt {
namespace {

bool IsBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

LONG atol(const char* text)
{
    if (!text) return 0;
    while (IsBlank(*text)) ++text;
    bool negative = *text == '-';
    if (*text == '-' || *text == '+') ++text;
    DWORD value = 0;  // unsigned, so an overflow wraps instead of being undefined
    for (; IsDigit(*text); ++text) value = value * 10u + static_cast<DWORD>(*text - '0');
    if (negative) value = 0u - value;
    return static_cast<LONG>(value);
}

int atoi(const char* text) { return static_cast<int>(atol(text)); }

}  // namespace msvcrt
